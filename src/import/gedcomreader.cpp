#include "import/gedcomreader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>

#include "import/gedcomlines.h"
#include "kernel/charsets.h"
#include "kernel/strreplace.h"
#include "os/osfile.h"

namespace fs = std::filesystem;

namespace rowsmith {

namespace {

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

bool contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// Every conversion only touches NUL bytes or bytes above 127, so lines
// without them (most lines of most files) skip the conversion calls.
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

// Room for the whole index at once, scaled from what the first chunk gave,
// so that the arrays are not copied while they grow.
void reserveAhead(TDBDefaults& db, uint64_t size) {
  // Reserved but untouched pages cost no memory, so the guess is generous.
  const double scale = 1.25 * static_cast<double>(size) / static_cast<double>(GedcomInput::kChunkBytes);
  auto scaled = [scale](size_t n) { return static_cast<size_t>(static_cast<double>(n) * scale) + 1024; };
  db.Fields.reserve(scaled(db.Fields.size()));
  db.Blocks.reserve(scaled(db.Blocks.size()));
  db.Text.reserve(scaled(db.Text.size()));
  os::adviseHugePages(db.Fields.data(), db.Fields.capacity() * sizeof(TFieldRec));
  os::adviseHugePages(db.Text.data(), db.Text.capacity());
}

class GedcomReading {
 public:
  GedcomReading(std::string folderOfFile, TDBDefaults& db) : folderOfFile_(std::move(folderOfFile)), db_(db) {}

  ReadOutcome read(GedcomInput& input) {
    ReadOutcome outcome;
    LineReader reader(input);
    try {
      outcome.counter = readAll(reader, input);
    } catch (const std::bad_alloc&) {
      // A huge line or index: abandoned like a read error, naming the cause.
      outcome.counter = -std::max(counter_, 1);
      outcome.status = ReadStatus::Failed;
      outcome.cause = os::Error{ENOMEM}.text();
      return outcome;
    }
    if (outcome.counter > 0) {
      outcome.status = ReadStatus::Complete;
    } else if (outcome.counter == -1 && !readFailed_) {
      outcome.status = ReadStatus::NotGedcom;
    } else {
      outcome.status = ReadStatus::Failed;
      outcome.cause = input.error();
      if (outcome.counter == 0) outcome.counter = -1;
    }
    return outcome;
  }

 private:
  int32_t readAll(LineReader& reader, GedcomInput& input) {
    std::string_view start;
    size_t firstLineEnd = 0;
    if (!reader.peek(start, firstLineEnd)) return failed(0);
    bool reserved = input.size() <= GedcomInput::kChunkBytes;
    if (firstLineEnd >= kHeaderWindow) {
      // A first line this long is read whole only when it begins a GEDCOM
      // file: 2 GB without a line end are no header.
      std::string head(start.substr(0, kHeaderWindow));
      if (!contains(convert(head), "0 HEAD")) return -1;
    }
    std::string_view line;
    if (!reader.readLine(line)) return failed(0);
    line = convert(line);
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
        if (error) return failed(counter);
        break;
      }
      if (blank && !store(trimmed)) return -counter;
      if (!reader.readLine(line)) return failed(counter);
      if (!reserved && input.bytesRead() > GedcomInput::kChunkBytes) {
        reserveAhead(db_, input.size());
        reserved = true;
      }
      line = convert(line);
      if (mode_ == CharsetMode::Undetermined && contains(line, "1 CHAR")) mode_ = modeFromCharLine(line);
      if (counter < INT32_MAX) ++counter;
    }
    return counter;
  }

  int32_t failed(int32_t counter) {
    readFailed_ = true;
    return -counter;
  }

  std::string_view convert(std::string_view raw) {
    if (mode_ == CharsetMode::Ansi || !hasNulOrHighByte(raw)) return raw;
    converted_.assign(raw);
    switch (mode_) {
      case CharsetMode::Utf8:
        Utf8ToAnsi(converted_);
        break;
      case CharsetMode::Unicode:
        RemoveNulChars(converted_);
        break;
      case CharsetMode::Ansel:
        AnselToAnsi(converted_);
        break;
      default:
        if (!Utf8ToAnsi(converted_) && !RemoveNulChars(converted_)) AnselToAnsi(converted_);
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
      blockNo_ = WriteBlock(db_, rest, xref);
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
      previousField_ = WriteField(db_, blockNo_, tag, level, previousField_, resolved);
    } else {
      previousField_ = WriteField(db_, blockNo_, tag, level, previousField_, value);
    }
    return previousField_ >= 0;
  }

  // A FILE value names a file beside the GEDCOM file when such a file exists.
  std::string resolveFileValue(std::string_view value) const {
    std::string path = folderOfFile_;
    if (!value.empty() && value.front() != '/' && (path.empty() || path.back() != '/')) path += '/';
    path.append(value);
    path = StrReplace("./", "", path, true);
    const os::FileKind kind = os::fileInfo(path).kind;
    if (kind != os::FileKind::Missing && kind != os::FileKind::Folder) return path;
    return std::string(value);
  }

  std::string folderOfFile_;
  TDBDefaults& db_;
  int32_t counter_ = 0;
  bool readFailed_ = false;
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

ReadOutcome readGedcom(GedcomInput& input, const std::string& folder, TDBDefaults& db) {
  return GedcomReading(folder, db).read(input);
}

ReadOutcome readGedcom(const std::string& fileName, TDBDefaults& db, UserMessages* progress) {
  GedcomInput input;
  ReadOutcome outcome;
  if (!input.open(fileName, outcome.cause)) return outcome;
  input.reportProgressTo(progress);
  return readGedcom(input, folderOf(fileName), db);
}

int32_t ReadGedcomFile(const std::string& fileName, TDBDefaults& db) { return readGedcom(fileName, db).counter; }

}  // namespace rowsmith
