#include "import/gedcomreader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>

#include "import/charsetchoice.h"
#include "import/gedcomlines.h"
#include "kernel/bytescans.h"
#include "kernel/utf8text.h"
#include "kernel/runbeside.h"
#include "kernel/strreplace.h"
#include "kernel/textcodec.h"
#include "os/osfile.h"


namespace rowsmith {

namespace {


bool contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// trimView, without a call for the many texts that need no trimming.
std::string_view trimmedView(std::string_view text) {
  if (!text.empty() && static_cast<unsigned char>(text.front()) > 32 && static_cast<unsigned char>(text.back()) > 32)
    return text;
  return trimView(text);
}

// A line before the header that holds nothing: blanks, control characters,
// byte-order marks.
bool isEmptyBeforeHeader(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line.compare(i, 3, "\xEF\xBB\xBF") == 0) i += 2;
    else if (static_cast<unsigned char>(line[i]) > 32 && line[i] != 127) return false;
  }
  return true;
}

// Room for the whole index at once, scaled from what the first chunk gave,
// so that the arrays are not copied while they grow.
void reserveAhead(GedcomIndex& db, uint64_t size) {
  // Reserved but untouched pages cost no memory, so the guess is generous.
  const double scale = 1.25 * static_cast<double>(size) / static_cast<double>(GedcomInput::kChunkBytes);
  auto scaled = [scale](size_t n) { return static_cast<size_t>(static_cast<double>(n) * scale) + 1024; };
  db.Fields.reserve(scaled(db.Fields.size()));
  db.Blocks.reserve(scaled(db.Blocks.size()));
  db.Text.reserve(scaled(db.Text.size()));
  os::adviseHugePages(db.Fields.data(), db.Fields.capacity() * sizeof(TFieldRec));
  os::adviseHugePages(db.Text.data(), db.Text.capacity());
  os::adviseHugePages(db.Blocks.data(), db.Blocks.capacity() * sizeof(TBlockRec));
}

// Files this large are read in two parts on two threads.
constexpr uint64_t kSplitBytes = 16 << 20;

// Whether a line holds a character that no conversion turns into a blank.
bool hasPrintable(std::string_view line) {
  return std::any_of(line.begin(), line.end(), [](char c) { return c > 32 && c < 127; });
}

// Where, at or after from, a level-0 line begins whose previous line is not
// blank, so that a reading which ends right before it stores what a reading
// of the whole file would. 0 when none is found nearby or a byte 26 comes
// first.
uint64_t findRecordStart(const GedcomInput& input, uint64_t from, bool lfLines) {
  std::string bytes(64 * 1024, '\0');
  os::Error error;
  const std::ptrdiff_t got = input.readAt(bytes.data(), bytes.size(), from, error);
  if (got <= 0) return 0;
  bytes.resize(static_cast<size_t>(got));
  const char lineEnd = lfLines ? '\n' : '\r';
  size_t lineStart = std::string::npos;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == 26) return 0;
    if (bytes[i] != lineEnd) continue;
    size_t next = i + 1;
    if (!lfLines) {
      if (next >= bytes.size()) return 0;
      if (bytes[next] == '\n') ++next;
    }
    if (lineStart != std::string::npos && hasPrintable(std::string_view(bytes).substr(lineStart, i - lineStart))) {
      size_t k = next;
      while (k < bytes.size() && static_cast<unsigned char>(bytes[k]) <= 32 && bytes[k] != lineEnd) ++k;
      if (k < bytes.size() && bytes[k] == '0') return from + next;
    }
    lineStart = next;
    i = next - 1;
  }
  return 0;
}

// Appends the index of a later part of the file. The fields are copied on
// the second core while the text and the blocks are copied here: most of the
// cost is the first touch of the new pages.
void appendIndex(GedcomIndex& db, const GedcomIndex& part) {
  const uint64_t textBase = db.Text.size();
  const int32_t fieldBase = static_cast<int32_t>(db.Fields.size());
  // The part numbered its tags in its own order.
  std::vector<uint64_t> tagNumbers(part.Tags.size());
  for (size_t n = 0; n < part.Tags.size(); ++n) tagNumbers[n] = uint64_t{db.tagNumber(part.Tags[n])} << 48;
  db.Fields.reserve(db.Fields.size() + part.Fields.size());
  db.Blocks.reserve(db.Blocks.size() + part.Blocks.size());
  db.Text.reserve(db.Text.size() + part.Text.size());
  const auto appendFields = [&db, &part, &tagNumbers, textBase, fieldBase] {
    constexpr uint64_t kTagBits = ~uint64_t{0} << 48;
    for (TFieldRec field : part.Fields) {
      field.Packed = ((field.Packed & ~kTagBits) + textBase) | tagNumbers[field.tagNumber()];
      if (field.NextField > 0) field.NextField += fieldBase;
      db.Fields.push_back(field);
    }
  };
  const auto appendTextAndBlocks = [&db, &part, textBase, fieldBase] {
    db.Text.append(part.Text);
    for (TBlockRec block : part.Blocks) {
      block.XRefOffset += textBase;
      if (block.FirstField >= 0) block.FirstField += fieldBase;
      db.Blocks.push_back(block);
    }
  };
  if (part.Fields.size() >= 65536) {
    runBeside(appendFields, appendTextAndBlocks);
  } else {
    appendFields();
    appendTextAndBlocks();
  }
}

class GedcomReading {
 public:
  GedcomReading(std::string folderOfFile, GedcomIndex& db) : folderOfFile_(std::move(folderOfFile)), db_(db) {}

  ~GedcomReading() { joinSecondHalf(); }

  ReadOutcome read(GedcomInput& input) {
    ReadOutcome outcome;
    LineReader reader(input);
    try {
      outcome.counter = readAll(reader, input);
      joinSecondHalf();
      const bool split = second_ != nullptr;
      if (second_) outcome.counter = withSecondHalf(outcome.counter, reader, input);
      // A second part begins with a record: text after the byte for sure.
      bool ownLine = false;
      if (outcome.counter > 0 && !trailer_ && reader.endedAtByte26() &&
          (reader.textAfterEndByte(ownLine) || split))
        textAfterEndByteLine_ = counter_ + (ownLine ? 1 : 0);
      outcome.textAfterEndByteLine = textAfterEndByteLine_;
    } catch (const std::bad_alloc&) {
      // A huge line or index: abandoned like a read error, naming the cause.
      outcome.counter = -std::max(counter_, 1);
      outcome.status = ReadStatus::Failed;
      outcome.failure = ReadFailure::of(os::errorOfKind(os::ErrorKind::OutOfMemory));
      return outcome;
    }
    if (outcome.counter > 0) {
      outcome.status = ReadStatus::Complete;
    } else if (outcome.counter == -1 && !readFailed_) {
      outcome.status = ReadStatus::NotGedcom;
    } else {
      outcome.status = ReadStatus::Failed;
      outcome.failure = input.failure();
      if (outcome.counter == 0) outcome.counter = -1;
    }
    return outcome;
  }

 private:
  int32_t readAll(LineReader& reader, GedcomInput& input) {
    std::string_view start;
    size_t firstLineEnd = 0;
    if (!reader.peek(start, firstLineEnd)) return failed(0);
    if (firstLineEnd >= kHeaderWindow) {
      // A first line this long is read whole only when it begins a GEDCOM
      // file: 2 GB without a line end are no header.
      std::string head(start.substr(0, kHeaderWindow));
      if (!contains(convert(head, reader), "0 HEAD")) return -1;
    }
    // Empty lines before the header go, as long as the header begins in the
    // first kHeaderWindow bytes; so do bytes before it on its own line (a
    // byte-order mark, say).
    std::string_view line;
    for (bool first = true;; first = false) {
      if (!first && !reader.nextLineEndsWithin(kHeaderWindow)) return -1;
      if (!reader.readLine(line)) return failed(0);
      line = convert(line, reader);
      const size_t header = line.find("0 HEAD");
      if (header != std::string_view::npos) {
        line.remove_prefix(header);
        return readLines(reader, input, line, true);
      }
      if (!isEmptyBeforeHeader(line)) return -1;
      bool error = false;
      if (reader.atEnd(error)) return error ? failed(0) : -1;
    }
  }

  // The lines from line on, the first counted 1, up to the trailer or the end
  // of the input; returns the counter.
  int32_t readLines(LineReader& reader, GedcomInput& input, std::string_view line, bool mayLeaveSecondHalf) {
    bool reserved = input.size() <= GedcomInput::kChunkBytes;
    int32_t& counter = counter_;
    counter = 1;
    for (;;) {
      if (containsBytes(line, "0 TRLR")) {
        trailer_ = true;
        break;
      }
      std::string_view trimmed = trimmedView(line);
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
        if (mayLeaveSecondHalf) startSecondHalf(reader, input);
      }
      line = convert(line, reader);
      if (charset_.inHeader()) charset_.readHeaderLine(line, gedcom7_);
      if (counter < INT32_MAX) ++counter;
    }
    return counter;
  }

  // The second half of a large file is read on a thread of its own into an
  // index of its own, which is appended when both are done.
  struct SecondHalf {
    GedcomInput input;
    GedcomIndex db;
    int32_t counter = 0;
    int32_t textAfterEndByteLine = 0;  // counted in the part
    bool failed = false;
    ReadFailure failure;
    std::thread thread;
  };

  void startSecondHalf(const LineReader& reader, GedcomInput& input) {
    if (!input.canSplit() || input.units() != TextUnits::Bytes || !charset_.determined() ||
        !reader.lineEndsKnown() || input.size() < kSplitBytes || os::processorCount() < 2)
      return;
    const uint64_t start =
        findRecordStart(input, input.bytesRead() + (input.size() - input.bytesRead()) / 2, reader.lfLines());
    if (start == 0) return;
    auto half = std::make_unique<SecondHalf>();
    half->input.openPart(input, start);
    const bool lfLines = reader.lfLines();
    SecondHalf& h = *half;
    try {
      h.thread = std::thread([this, &h, lfLines] {
        GedcomReading reading(folderOfFile_, h.db);
        reading.charset_ = charset_.forLaterPart();
        reading.gedcom7_ = gedcom7_;
        LineReader partReader(h.input);
        partReader.assumeLineEnds(lfLines);
        try {
          std::string_view line;
          if (partReader.readLine(line)) {
            h.counter = reading.readLines(partReader, h.input, reading.convert(line, partReader), false);
            bool ownLine = false;
            if (h.counter > 0 && !reading.trailer_ && partReader.textAfterEndByte(ownLine))
              h.textAfterEndByteLine = h.counter + (ownLine ? 1 : 0);
          } else {
            reading.failed(0);
          }
          h.failed = reading.readFailed_ || h.counter <= 0;
          h.failure = h.input.failure();
        } catch (const std::bad_alloc&) {
          h.counter = -std::max(reading.counter_, 1);
          h.failed = true;
          h.failure = ReadFailure::of(os::errorOfKind(os::ErrorKind::OutOfMemory));
        } catch (const std::exception&) {
          // Nothing may escape a thread; the reading fails as on a read error.
          h.counter = -std::max(reading.counter_, 1);
          h.failed = true;
          h.failure = ReadFailure::of(os::errorOfKind(os::ErrorKind::IoError));
        }
      });
    } catch (const std::system_error&) {
      return;  // no second thread: one reading of the whole file
    }
    input.limitTo(start);
    second_ = std::move(half);
  }

  void joinSecondHalf() {
    if (second_ && second_->thread.joinable()) second_->thread.join();
  }

  // The counter of the whole file from the first part's counter; the second
  // part's index appended when the first part ran up to it.
  int32_t withSecondHalf(int32_t counter, const LineReader& reader, GedcomInput& input) {
    const std::unique_ptr<SecondHalf> half = std::move(second_);
    if (counter <= 0 || trailer_ || reader.endedEarly()) return counter;
    // Ending at the part's end, LF lines read one more, empty line, as at the
    // end of a file; there the second part goes on instead.
    const int64_t lines = int64_t{counter} - (reader.lfLines() ? 1 : 0) + std::abs(int64_t{half->counter});
    const int32_t total = static_cast<int32_t>(std::min<int64_t>(lines, INT32_MAX));
    if (half->failed) {
      readFailed_ = true;
      input.setFailure(half->failure);
      return -total;
    }
    appendIndex(db_, half->db);
    if (half->textAfterEndByteLine > 0)
      textAfterEndByteLine_ = static_cast<int32_t>(
          std::min<int64_t>(int64_t{counter} - (reader.lfLines() ? 1 : 0) + half->textAfterEndByteLine, INT32_MAX));
    return total;
  }

  int32_t failed(int32_t counter) {
    readFailed_ = true;
    return -counter;
  }

  // Every line becomes UTF-8 in NFC.
  std::string_view convert(std::string_view raw, const LineReader& reader) {
    if (reader.units() != TextUnits::Bytes) {
      converted_ = decodeUtf16Line(raw, reader.units() == TextUnits::Utf16Be, reader.lineStartsOdd());
      return converted_;
    }
    return charset_.decode(raw, converted_);
  }

  bool store(std::string_view line) {
    if (!line.empty() && line.front() == '0') {
      previousField_ = -1;
      std::string_view rest = trimmedView(line.substr(1));
      std::string_view xref;
      if (!rest.empty() && rest.front() == '@') {
        xref = rest.substr(0, findByte(rest, ' '));
        rest = trimmedView(rest.substr(xref.size()));
      }
      const std::string_view tag = rest.substr(0, findByte(rest, ' '));
      if (tag == "NOTE" || tag == "SNOTE") return storeNoteRecord(xref, trimView(rest.substr(tag.size())));
      blockNo_ = WriteBlock(db_, rest, xref);
      return blockNo_ >= 0;
    }
    int32_t level = -1;
    if (!line.empty() && line.front() >= '1' && line.front() <= '9') level = line.front() - '0';
    std::string_view rest = line.empty() ? line : trimmedView(line.substr(1));
    std::string_view tag = rest.substr(0, findByte(rest, ' '));
    std::string_view value = rest.substr(tag.size());
    if (!value.empty() && static_cast<unsigned char>(value.back()) <= 32) value = trimRightView(value);
    if (value.size() >= 2) value.remove_prefix(1);
    // GEDCOM 7's shared notes are notes; its void pointer names nobody.
    if (tag == "SNOTE") tag = "NOTE";
    if (value == "@VOID@") return true;
    if (blockNo_ == 1 && level == 2 && tag == "VERS" && !value.empty() && value.front() == '7') gedcom7_ = true;
    value = unescapeAt(value);
    if (tag == "FILE") {
      std::string resolved = resolveFileValue(value);
      previousField_ = WriteField(db_, blockNo_, tag, level, previousField_, resolved);
    } else {
      previousField_ = WriteField(db_, blockNo_, tag, level, previousField_, value);
    }
    return previousField_ >= 0;
  }

  // A note record's level-0 text is the note's first line: kept as a CONT
  // field ahead of the record's own CONC and CONT lines.
  bool storeNoteRecord(std::string_view xref, std::string_view text) {
    blockNo_ = WriteBlock(db_, "NOTE", xref);
    if (blockNo_ < 0) return false;
    if (text.empty()) return true;
    previousField_ = WriteField(db_, blockNo_, "CONT", 1, previousField_, unescapeAt(text));
    return previousField_ >= 0;
  }

  // "@@" stands for "@" in a value; GEDCOM 7 doubles only a leading "@".
  std::string_view unescapeAt(std::string_view value) {
    size_t at = findByte(value, '@');
    while (at + 1 < value.size() && value[at + 1] != '@') at += 1 + findByte(value.substr(at + 1), '@');
    if (at + 1 >= value.size() || (gedcom7_ && at != 0)) return value;
    if (gedcom7_) return value.substr(1);
    unescaped_.clear();
    for (size_t i = 0; i < value.size(); ++i) {
      unescaped_ += value[i];
      if (value[i] == '@' && i + 1 < value.size() && value[i + 1] == '@') ++i;
    }
    return unescaped_;
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
  GedcomIndex& db_;
  int32_t counter_ = 0;
  int32_t textAfterEndByteLine_ = 0;
  bool readFailed_ = false;
  CharsetChoice charset_;
  int32_t blockNo_ = -1;
  int32_t previousField_ = -1;
  std::string converted_;
  std::string unescaped_;
  bool gedcom7_ = false;
  bool trailer_ = false;
  std::unique_ptr<SecondHalf> second_;
};


}  // namespace

ReadOutcome readGedcom(GedcomInput& input, const std::string& folder, GedcomIndex& db) {
  return GedcomReading(folder, db).read(input);
}

ReadOutcome readGedcom(const std::string& fileName, GedcomIndex& db, UserMessages* progress) {
  GedcomInput input;
  ReadOutcome outcome;
  if (!input.open(fileName, outcome.failure)) return outcome;
  input.reportProgressTo(progress);
  return readGedcom(input, os::absoluteFolderOf(fileName), db);
}


}  // namespace rowsmith
