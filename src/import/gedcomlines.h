#pragma once
// Text lines out of a GEDCOM input. A line ends at a CR, and an LF right
// after the CR belongs to the line end; a byte 26 ends the file. When the
// first line ends at an LF, the file has LF line ends and is read as if every
// LF had become CR LF, every other CR were dropped and one more CR LF
// followed the last byte. In 16-bit text only whole CR, LF and 26 characters
// count; each still ends at its one byte 13, 10 or 26, so a line may begin
// or end with the other half of a line end: lineStartsOdd() tells the decoder
// where units begin.
// In 8-bit text a run of kZeroTail NUL bytes is the zero-filled tail a crash
// leaves behind, not text: the input ends where it begins, as at a byte 26.
// A line is held in memory whole only when it spans chunks; memory for a
// line is at most twice its length beside the chunk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "import/gedcominput.h"
#include "kernel/bytescans.h"

namespace rowsmith {

class LineReader {
 public:
  static constexpr size_t kZeroTail = 64 * 1024;

  explicit LineReader(GedcomInput& input) : input_(input) {}

  // The first chunk of the input, up to its end of file, and where its first
  // line ends (a whole CR, LF or byte 26; its size when at none).
  bool peek(std::string_view& start, size_t& firstLineEnd);
  // Whether the next line begins and ends within the first limit bytes of
  // the input: what the lines before the header may take. Asked only while
  // the reading is still in its first chunk.
  bool nextLineEndsWithin(size_t limit);
  // The view stays valid until the next readLine() or atEnd(). False on a
  // read error.
  bool readLine(std::string_view& line) {
    // Most lines of 8-bit text lie whole in the chunk, their line end too;
    // the rest, and an LF line holding a CR to drop, take the long way.
    if (started_ && !hitEndByte_ && decided_ && pos_ < endByte_ && input_.units() == TextUnits::Bytes) {
      const std::string_view rest(chunk_.data() + pos_, endByte_ - pos_);
      const size_t length = findByte(rest, lfMode_ ? '\n' : '\r');
      if (length < rest.size() && pos_ + length + 1 < chunk_.size()) {
        const std::string_view piece = rest.substr(0, length);
        if (!lfMode_ || findByte(piece, '\r') == piece.size()) {
          lineStartsOdd_ = pos_ % 2 == 1;
          pos_ += length + 1;
          if (!lfMode_ && pos_ < endByte_ && chunk_[pos_] == '\n') ++pos_;
          line = piece;
          return true;
        }
      }
    }
    return readLineSlow(line);
  }
  // True when no line remains. May read ahead, which ends the validity of
  // the last line's view. True with error set on a read error.
  bool atEnd(bool& error) {
    if (started_ && !hitEndByte_ && pos_ < chunk_.size()) {
      error = false;
      return pos_ == endByte_;  // the reading never passes the chunk's end byte
    }
    return atEndSlow(error);
  }

  // For a part of a file: its line ends are known already.
  void assumeLineEnds(bool lfMode) { decided_ = true, lfMode_ = finalLineEndPending_ = lfMode; }
  // Whether the first line end has been seen, and whether it was an LF.
  bool lineEndsKnown() const { return decided_; }
  bool lfLines() const { return lfMode_; }
  // Whether a byte 26 or a zero tail ended the input: inside the last line,
  // or where a new line would have begun.
  bool endedEarly() const { return hitEndByte_ || (started_ && pos_ == endByte_ && endByte_ < chunk_.size()); }
  // Whether that was a byte 26.
  bool endedAtByte26() const { return endedEarly() && chunk_[endByte_] == 26; }
  // After the last line: whether a byte 26 ended the input with more than
  // blanks after it, which a file that merely ends the DOS way lacks;
  // ownLine tells whether the byte began a line of its own. Reads the rest
  // of the input; no line may be read after.
  bool textAfterEndByte(bool& ownLine);
  TextUnits units() const { return input_.units(); }
  // Chunks begin at even offsets, so the place in the chunk tells.
  bool lineStartsOdd() const { return lineStartsOdd_; }

 private:
  bool readLineSlow(std::string_view& line);
  bool atEndSlow(bool& error);
  bool fill();
  size_t findLineEnd(const char* begin, size_t available);
  void append(std::string_view piece);
  bool isCr(std::string_view piece, size_t i) const;
  bool hasCr(std::string_view piece) const;
  bool finish(std::string_view& line, std::string_view piece, bool inLine);
  size_t zeroTailStart();

  GedcomInput& input_;
  std::string_view chunk_;
  size_t pos_ = 0;
  size_t endByte_ = 0;  // first byte 26 or start of a zero tail, or the chunk's end
  bool started_ = false;
  bool dataExhausted_ = false;
  bool hitEndByte_ = false;
  bool lineStartsOdd_ = false;
  bool decided_ = false;  // whether the first line end has told CR from LF lines
  bool lfMode_ = false;
  bool finalLineEndPending_ = false;
  size_t zeroRun_ = 0;  // NUL bytes at the end of the chunks read so far
  std::string line_;
};

}  // namespace rowsmith
