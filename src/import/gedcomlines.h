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
#include <string>
#include <string_view>

#include "import/gedcominput.h"

namespace rowsmith {

// The first byte c in text, or text.size(): quicker than memchr on texts as
// short as most lines and their parts; long ones are left to memchr.
size_t findByte(std::string_view text, char c);

class LineReader {
 public:
  static constexpr size_t kZeroTail = 64 * 1024;

  explicit LineReader(GedcomInput& input) : input_(input) {}

  // The first chunk of the input, up to its end of file, and where its first
  // line ends (a whole CR, LF or byte 26; its size when at none).
  bool peek(std::string_view& start, size_t& firstLineEnd);
  // The view stays valid until the next readLine() or atEnd(). False on a
  // read error.
  bool readLine(std::string_view& line);
  // True when no line remains. May read ahead, which ends the validity of
  // the last line's view. True with error set on a read error.
  bool atEnd(bool& error);

  // For a part of a file: its line ends are known already.
  void assumeLineEnds(bool lfMode) { decided_ = true, lfMode_ = finalLineEndPending_ = lfMode; }
  // Whether the first line end has been seen, and whether it was an LF.
  bool lineEndsKnown() const { return decided_; }
  bool lfLines() const { return lfMode_; }
  // Whether a byte 26 or a zero tail ended the input.
  bool endedEarly() const { return hitEndByte_; }
  TextUnits units() const { return input_.units(); }
  // Chunks begin at even offsets, so the place in the chunk tells.
  bool lineStartsOdd() const { return lineStartsOdd_; }

 private:
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
