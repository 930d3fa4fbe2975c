#include "import/gedcomreader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "import/indexfiles.h"
#include "kernel/charsets.h"
#include "kernel/folders.h"
#include "kernel/strreplace.h"
#include "kernel/textcodec.h"
#include "kernel/usermessages.h"

namespace fs = std::filesystem;

namespace rowsmith {

namespace {

constexpr size_t kChunkBytes = 1 << 20;
constexpr char kEndOfFile = 26;

std::string errorText(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "File not found";
    case EACCES:
    case EPERM:
      return "Access denied";
    default:
      return std::strerror(error);
  }
}

// Opens a file for reading; a folder does not count as a readable file.
int openForReading(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

class FileHandle {
 public:
  explicit FileHandle(int fd = -1) : fd_(fd) {}
  ~FileHandle() { reset(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Reads up to size bytes; -1 on an error.
ssize_t readSome(int fd, char* data, size_t size) {
  for (;;) {
    ssize_t got = ::read(fd, data, size);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

// Fills data as far as the file allows, so that every chunk but the last is
// whole and chunks begin at even file offsets. -1 on an error.
ssize_t readChunk(int fd, char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t got = readSome(fd, data + done, size - done);
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// How the file stores its characters. In 16-bit text a CR, LF or byte 26 that
// is only one half of another character (U+040D is 0D 04 in little-endian
// order) must not end a line or the file.
enum class TextUnits { Bytes, Utf16Le, Utf16Be };

// Told by the byte-order mark or by the header's leading "0".
TextUnits detectTextUnits(const char* data, size_t size) {
  if (size < 2) return TextUnits::Bytes;
  const auto b0 = static_cast<unsigned char>(data[0]);
  const auto b1 = static_cast<unsigned char>(data[1]);
  if ((b0 == 0xFF && b1 == 0xFE) || (b0 == '0' && b1 == 0)) return TextUnits::Utf16Le;
  if ((b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '0')) return TextUnits::Utf16Be;
  return TextUnits::Bytes;
}

// Whether data[i] stands for a character of its own: in 16-bit text it must
// be the low byte of a code unit whose high byte is 0. Chunks begin at even
// file offsets (readChunk), so the index tells the byte's place in its unit.
bool isWholeCharacter(const char* data, size_t size, size_t i, TextUnits units) {
  switch (units) {
    case TextUnits::Utf16Le:
      return i % 2 == 0 && i + 1 < size && data[i + 1] == 0;
    case TextUnits::Utf16Be:
      return i % 2 == 1 && data[i - 1] == 0;
    default:
      return true;
  }
}

// Index of the first whole character c in data[from, to), or to.
size_t findCharacter(const char* data, size_t size, size_t from, size_t to, char c, TextUnits units) {
  while (from < to) {
    const void* hit = std::memchr(data + from, c, to - from);
    if (!hit) break;
    const size_t i = static_cast<size_t>(static_cast<const char*>(hit) - data);
    if (isWholeCharacter(data, size, i, units)) return i;
    from = i + 1;
  }
  return to;
}

// Streams text lines out of a file in large chunks. A line ends at a CR, and
// an LF right after the CR belongs to the line end; a byte 26 ends the file.
// In LF mode the stream is read as if every LF had become CR LF, every other
// CR were dropped and one more CR LF followed the last byte: the same lines
// a CR LF copy of the file would give, without making the copy.
// In 16-bit text only whole CR, LF and 26 characters count; each still ends
// at its one byte 13, 10 or 26, so a line may begin or end with the other
// half of a line end: lineStartsOdd() tells the decoder where units begin.
class LineReader {
 public:
  LineReader() : buffer_(kChunkBytes) {}

  bool open(const std::string& path, bool lfMode) {
    file_.reset(openForReading(path));
    lfMode_ = lfMode;
    finalLineEndPending_ = lfMode;
    pos_ = end_ = endByte_ = 0;
    dataExhausted_ = hitEndByte_ = false;
    units_ = TextUnits::Bytes;
    firstChunk_ = true;
    return file_.get() >= 0;
  }

  // The view stays valid until the next readLine() or atEnd(). False on a
  // read error.
  bool readLine(std::string_view& line) {
    line_.clear();
    lineStartsOdd_ = pos_ % 2 == 1;
    bool inLine = false;  // part of the line already copied to line_
    const char lineEnd = lfMode_ ? '\n' : '\r';
    for (;;) {
      if (hitEndByte_) return finish(line, {}, inLine);
      if (pos_ == end_) {
        if (!fill()) return false;
        if (pos_ == end_) {
          finalLineEndPending_ = false;
          return finish(line, {}, inLine);
        }
      }
      const char* begin = buffer_.data() + pos_;
      const size_t available = endByte_ - pos_;
      const char* stop;
      if (units_ == TextUnits::Bytes) {
        stop = static_cast<const char*>(std::memchr(begin, lineEnd, available));
      } else {
        const size_t at = findCharacter(buffer_.data(), end_, pos_, endByte_, lineEnd, units_);
        stop = at < endByte_ ? buffer_.data() + at : nullptr;
      }
      const size_t length = stop ? static_cast<size_t>(stop - begin) : available;
      if (!stop && endByte_ < end_) {
        pos_ = endByte_;
        hitEndByte_ = true;
        return finish(line, {begin, length}, inLine);
      }
      if (!stop) {
        append({begin, length});
        inLine = true;
        pos_ = end_;
        continue;
      }
      pos_ += length + 1;
      std::string_view piece(begin, length);
      if (lfMode_) return finish(line, piece, inLine);
      if (pos_ == end_) {
        // The LF that may follow lies in the next chunk, which overwrites this one.
        append(piece);
        inLine = true;
        piece = {};
        if (!fill()) return false;
      }
      // In 16-bit text the byte after the CR is a high byte, never an LF.
      if (units_ == TextUnits::Bytes && pos_ < end_ && buffer_[pos_] == '\n') ++pos_;
      return finish(line, piece, inLine);
    }
  }

  TextUnits units() const { return units_; }
  // Chunks begin at even file offsets, so the place in the chunk tells.
  bool lineStartsOdd() const { return lineStartsOdd_; }

  // True when no byte remains or the next byte is 26. May read ahead, which
  // ends the validity of the last line's view. False with error set on a
  // read error.
  bool atEnd(bool& error) {
    error = false;
    if (hitEndByte_) return true;
    if (pos_ == end_) {
      if (!fill()) {
        error = true;
        return true;
      }
      if (pos_ == end_) return !finalLineEndPending_;
    }
    return pos_ == endByte_;  // the reading never passes the chunk's end byte
  }

 private:
  bool fill() {
    pos_ = end_ = endByte_ = 0;
    if (dataExhausted_) return true;
    ssize_t got = readChunk(file_.get(), buffer_.data(), buffer_.size());
    if (got < 0) return false;
    if (got == 0) dataExhausted_ = true;
    end_ = static_cast<size_t>(got);
    if (firstChunk_) {
      units_ = detectTextUnits(buffer_.data(), end_);
      firstChunk_ = false;
    }
    // Found once per chunk, so that lines need not be searched for it.
    endByte_ = findCharacter(buffer_.data(), end_, 0, end_, kEndOfFile, units_);
    return true;
  }

  void append(std::string_view piece) {
    if (!lfMode_) {
      line_.append(piece);
      return;
    }
    // A dropped CR of 16-bit text takes its other half along.
    const size_t partner = units_ == TextUnits::Utf16Le ? 1 : 0;
    for (size_t i = 0; i < piece.size(); ++i) {
      if (piece[i] != '\r' || !isCr(piece, i)) {
        line_.push_back(piece[i]);
      } else if (units_ != TextUnits::Bytes) {
        if (partner == 0 && !line_.empty()) line_.pop_back();
        i += partner;
      }
    }
  }

  // Whether piece[i], a byte 13 of the current chunk, is a whole CR.
  bool isCr(std::string_view piece, size_t i) const {
    if (units_ == TextUnits::Bytes) return true;
    const size_t at = static_cast<size_t>(piece.data() - buffer_.data()) + i;
    return isWholeCharacter(buffer_.data(), end_, at, units_);
  }

  bool hasCr(std::string_view piece) const {
    for (size_t i = piece.find('\r'); i != std::string_view::npos; i = piece.find('\r', i + 1)) {
      if (isCr(piece, i)) return true;
    }
    return false;
  }

  bool finish(std::string_view& line, std::string_view piece, bool inLine) {
    if (!inLine && (!lfMode_ || !hasCr(piece))) {
      line = piece;
      return true;
    }
    append(piece);
    line = line_;
    return true;
  }

  FileHandle file_;
  std::vector<char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  size_t endByte_ = 0;  // first byte 26 of the chunk, or end_
  bool dataExhausted_ = false;
  bool hitEndByte_ = false;
  bool lfMode_ = false;
  bool finalLineEndPending_ = false;
  TextUnits units_ = TextUnits::Bytes;
  bool firstChunk_ = true;
  bool lineStartsOdd_ = false;
  std::string line_;
};

bool isTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string_view trimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && isTrimmed(text[end - 1])) --end;
  return text.substr(0, end);
}

bool contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

// Every decoder only changes NUL bytes and bytes above 127, so lines
// without them (most lines of most files) are used as they are.
bool hasNulOrHighByte(std::string_view text) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  const char* p = text.data();
  size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    // A high bit set, or a zero byte (the classic has-zero-byte test).
    if ((word | ((word - kOnes) & ~word)) & kHighBits) return true;
  }
  for (; n > 0; ++p, --n) {
    if (*p == 0 || (static_cast<unsigned char>(*p) & 0x80)) return true;
  }
  return false;
}

enum class CharsetMode { Undetermined = 0, Ansi = 1, Utf8 = 2, Unicode = 3, Ansel = 4 };

CharsetMode modeFromCharLine(std::string_view line) {
  if (contains(line, "ANSI")) return CharsetMode::Ansi;
  if (contains(line, "ANSEL")) return CharsetMode::Ansel;
  if (contains(line, "UTF-8")) return CharsetMode::Utf8;
  if (contains(line, "UNICODE")) return CharsetMode::Unicode;
  return CharsetMode::Undetermined;
}

class GedcomReading {
 public:
  explicit GedcomReading(std::string folderOfFile) : folderOfFile_(std::move(folderOfFile)) {}

  // Reads the whole file into the open index files; returns the counter.
  int32_t readAllLines(LineReader& reader) {
    counter_ = 0;
    counter_ = readAll(reader);
    return counter_;
  }

  // Lines read so far, for a reading that ended in an exception.
  int32_t counter() const { return counter_; }

 private:
  int32_t readAll(LineReader& reader) {
    std::string_view line;
    if (!reader.readLine(line)) return 0;
    line = convert(line, reader);
    // Bytes before the header on the first line (a byte-order mark, say) go.
    size_t header = line.find("0 HEAD");
    if (header == std::string_view::npos) return -1;
    line.remove_prefix(header);
    int32_t& counter = counter_;
    counter = 1;
    for (;;) {
      if (contains(line, "0 TRLR")) break;
      std::string_view trimmed = trim(line);
      const bool blank = trimmed.empty();
      // A blank last line is a line end's echo, not content; every other
      // line is stored, the last one of a file without trailer too.
      if (!blank && !store(trimmed)) return -counter;
      bool error = false;
      if (reader.atEnd(error)) {
        if (error) return -counter;
        break;
      }
      if (blank && !store(trimmed)) return -counter;
      if (!reader.readLine(line)) return -counter;
      line = convert(line, reader);
      if (mode_ == CharsetMode::Undetermined && contains(line, "1 CHAR")) mode_ = modeFromCharLine(line);
      if (counter < INT32_MAX) ++counter;
    }
    return counter;
  }

  // Every line becomes UTF-8 in NFC. Until the header names the character
  // set, the first decoder that finds its kind of bytes in the line wins.
  std::string_view convert(std::string_view raw, const LineReader& reader) {
    if (reader.units() != TextUnits::Bytes) {
      converted_ = decodeUtf16Line(raw, reader.units() == TextUnits::Utf16Be, reader.lineStartsOdd());
      return converted_;
    }
    if (!hasNulOrHighByte(raw)) return raw;
    switch (mode_) {
      case CharsetMode::Ansi:
        converted_ = decodeWindows1252(raw);
        std::erase(converted_, '\0');
        break;
      case CharsetMode::Utf8:
      case CharsetMode::Unicode:
        converted_ = decodeUtf8Line(raw);
        break;
      case CharsetMode::Ansel:
        converted_ = decodeAnselLine(raw);
        break;
      default:
        if (hasUtf8MultiByte(raw) || raw.find('\0') != std::string_view::npos)
          converted_ = decodeUtf8Line(raw);
        else if (hasAnselSequence(raw))
          converted_ = decodeAnselLine(raw);
        else
          converted_ = decodeWindows1252(raw);
        break;
    }
    return converted_;
  }

  bool store(std::string_view line) {
    if (!line.empty() && line.front() == '0') {
      previousField_ = -1;
      std::string_view rest = trim(line.substr(1));
      std::string_view xref;
      if (!rest.empty() && rest.front() == '@') {
        xref = rest.substr(0, rest.find(' '));
        rest = trim(rest.substr(xref.size()));
      }
      blockNo_ = WriteBlock(rest, xref);
      return blockNo_ >= 0;
    }
    int32_t level = -1;
    if (!line.empty() && line.front() >= '1' && line.front() <= '9') level = line.front() - '0';
    std::string_view rest = line.empty() ? line : trim(line.substr(1));
    std::string_view tag = rest.substr(0, rest.find(' '));
    std::string_view value = trimRight(rest.substr(tag.size()));
    if (value.size() >= 2) value.remove_prefix(1);
    if (tag == "FILE") {
      std::string resolved = resolveFileValue(value);
      previousField_ = WriteField(blockNo_, tag, level, previousField_, resolved);
    } else {
      previousField_ = WriteField(blockNo_, tag, level, previousField_, value);
    }
    return previousField_ >= 0;
  }

  // A FILE value names a file beside the GEDCOM file when such a file exists.
  std::string resolveFileValue(std::string_view value) const {
    std::string path = folderOfFile_;
    if (!value.empty() && value.front() != '/' && (path.empty() || path.back() != '/')) path += '/';
    path.append(value);
    path = StrReplace("./", "", path, true);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return path;
    return std::string(value);
  }

  std::string folderOfFile_;
  int32_t counter_ = 0;
  CharsetMode mode_ = CharsetMode::Undetermined;
  int32_t blockNo_ = -1;
  int32_t previousField_ = -1;
  std::string converted_;
};

std::string folderOf(const std::string& fileName) {
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(fileName), ec);
  if (ec) absolute = fs::path(fileName);
  std::string folder = absolute.parent_path().string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

bool NeedsLineEndFix(const std::string& fileName) {
  FileHandle file(openForReading(fileName));
  if (file.get() < 0) {
    userMessages().showMessage(errorText(errno));
    return false;
  }
  std::vector<char> buffer(kChunkBytes);
  std::optional<TextUnits> units;
  for (;;) {
    ssize_t got = readChunk(file.get(), buffer.data(), buffer.size());
    if (got < 0) {
      userMessages().showMessage(errorText(errno));
      return false;
    }
    if (got == 0) return false;
    const size_t size = static_cast<size_t>(got);
    if (!units) units = detectTextUnits(buffer.data(), size);
    for (size_t i = 0; i < size; ++i) {
      char c = buffer[i];
      if (c != '\n' && c != '\r' && c != kEndOfFile) continue;
      if (!isWholeCharacter(buffer.data(), size, i, *units)) continue;
      return c == '\n';
    }
  }
}

bool NormalizeLineEnds(std::string& fileName) {
  if (!NeedsLineEndFix(fileName)) return true;
  FileHandle in(openForReading(fileName));
  if (in.get() < 0) return false;
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "GEDXXXXXX").string();
  if (ec) return false;
  FileHandle out(mkstemp(pattern.data()));
  if (out.get() < 0) return false;

  auto writeAll = [&](const char* data, size_t size) {
    while (size > 0) {
      ssize_t done = ::write(out.get(), data, size);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) return false;
      data += done;
      size -= static_cast<size_t>(done);
    }
    return true;
  };
  std::vector<char> buffer(kChunkBytes);
  std::string copy;
  copy.reserve(2 * kChunkBytes + 2);
  bool ok = true;
  // A CR is kept only in front of an LF; whether one follows may be decided
  // by the next chunk.
  bool pendingCr = false;
  for (;;) {
    ssize_t got = readSome(in.get(), buffer.data(), buffer.size());
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    copy.clear();
    for (ssize_t i = 0; i < got; ++i) {
      char c = buffer[static_cast<size_t>(i)];
      if (pendingCr) {
        pendingCr = false;
        if (c == '\n') {
          copy += "\r\n";
          continue;
        }
      }
      if (c == '\r') {
        pendingCr = true;
      } else if (c == '\n') {
        copy += "\r\n";
      } else {
        copy += c;
      }
    }
    if (!writeAll(copy.data(), copy.size())) {
      ok = false;
      break;
    }
  }
  if (ok) ok = writeAll("\r\n", 2);
  if (::close(out.release()) != 0) ok = false;
  if (!ok) {
    ::unlink(pattern.c_str());
    return false;
  }
  fileName = pattern;
  return true;
}

int32_t ReadGedcomFile(const std::string& fileName, bool& prepared) {
  prepared = false;
  // LF-only files are read in LF mode, which gives the lines of a CR LF copy.
  const bool lfMode = NeedsLineEndFix(fileName);
  const std::string folder = workFolder();
  if (!EraseIndexFiles(folder, kIndexName)) return -1;
  prepared = true;
  OpenIndexFiles(folder, kIndexName);

  int32_t counter = 0;
  std::optional<GedcomReading> reading;
  try {
    LineReader reader;
    if (reader.open(fileName, lfMode)) {
      reading.emplace(folderOf(fileName));
      counter = reading->readAllLines(reader);
    }
  } catch (const std::exception&) {
    // Memory exhausted by a huge line, say: abandoned like a read error.
    counter = reading ? -std::abs(reading->counter()) : 0;
  }
  try {
    CloseIndexFiles();
  } catch (const std::exception&) {
    // The last buffered records were lost, so the index is not complete.
    if (counter > 0) counter = -counter;
  }
  return counter;
}

}  // namespace rowsmith
