#include "import/gedcomreader.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "import/charsetchoice.h"
#include "import/gedcomlines.h"
#include "import/splitreading.h"
#include "kernel/bytescans.h"
#include "kernel/runbeside.h"
#include "kernel/strreplace.h"
#include "kernel/textcodec.h"
#include "kernel/utf8text.h"
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

class GedcomReading {
 public:
  GedcomReading(std::string folderOfFile, GedcomIndex& db) : folderOfFile_(std::move(folderOfFile)), db_(db) {}

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

  // The second half of a large file is read on the second core by a reading
  // of its own into an index of its own, which is appended when both are done.
  struct SecondHalf {
    GedcomInput input;
    GedcomIndex db;
    std::unique_ptr<GedcomReading> reading;
    int32_t counter = 0;
    int32_t textAfterEndByteLine = 0;  // counted in the part
    bool failed = false;
    ReadFailure failure;
    std::unique_ptr<BesideWork> work;  // last, so that it ends before the rest goes
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
    half->reading = std::make_unique<GedcomReading>(folderOfFile_, half->db);
    half->reading->charset_ = charset_.forLaterPart();
    half->reading->gedcom7_ = gedcom7_;
    SecondHalf& h = *half;
    h.work = std::make_unique<BesideWork>([&h, lfLines = reader.lfLines()] { h.reading->readSecondHalf(h, lfLines); });
    // Without a second thread the whole file is read here, in one part.
    if (!h.work->onSecondThread()) return;
    input.limitTo(start);
    second_ = std::move(half);
  }

  // Runs on the second core, in the second half's own reading.
  void readSecondHalf(SecondHalf& h, bool lfLines) {
    LineReader partReader(h.input);
    partReader.assumeLineEnds(lfLines);
    std::string_view line;
    if (partReader.readLine(line)) {
      h.counter = readLines(partReader, h.input, convert(line, partReader), false);
      bool ownLine = false;
      if (h.counter > 0 && !trailer_ && partReader.textAfterEndByte(ownLine))
        h.textAfterEndByteLine = h.counter + (ownLine ? 1 : 0);
    } else {
      failed(0);
    }
    h.failed = readFailed_ || h.counter <= 0;
    h.failure = h.input.failure();
  }

  // An exception of the second half fails the reading as a read error would,
  // naming memory where that ran out.
  void joinSecondHalf() {
    if (!second_) return;
    SecondHalf& h = *second_;
    try {
      h.work->join();
      return;
    } catch (const std::bad_alloc&) {
      h.failure = ReadFailure::of(os::errorOfKind(os::ErrorKind::OutOfMemory));
    } catch (...) {
      h.failure = ReadFailure::of(os::errorOfKind(os::ErrorKind::IoError));
    }
    h.counter = -std::max(h.reading->counter_, 1);
    h.failed = true;
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
