#include "import/gedcomlines.h"

#include <algorithm>
#include <cstring>

namespace rowsmith {

namespace {

constexpr char kEndOfFile = 26;

}  // namespace

bool LineReader::peek(std::string_view& start, size_t& firstLineEnd) {
  if (!started_ && !fill()) return false;
  start = chunk_.substr(0, endByte_);
  firstLineEnd = endByte_ < chunk_.size() ? endByte_ : chunk_.size();
  for (char c : {'\r', '\n'}) firstLineEnd = findCharacter(chunk_, 0, firstLineEnd, c, input_.units());
  return true;
}

bool LineReader::nextLineEndsWithin(size_t limit) {
  if (!started_ && !fill()) return false;
  const size_t end = std::min(limit, endByte_);
  if (pos_ >= end) return false;
  size_t lineEnd = end;
  for (char c : {'\r', '\n'}) lineEnd = findCharacter(chunk_, pos_, lineEnd, c, input_.units());
  return lineEnd < end;
}

// Where the current line ends in [begin, begin + available): the first CR in
// CR mode, the first LF in LF mode; before the first line end is seen,
// whichever comes first decides the mode. available when none.
size_t LineReader::findLineEnd(const char* begin, size_t available) {
  const TextUnits units = input_.units();
  const size_t from = static_cast<size_t>(begin - chunk_.data());
  auto find = [&](char c, size_t to) -> size_t {
    if (units == TextUnits::Bytes) return from + findByte({begin, to - from}, c);
    return findCharacter(chunk_, from, to, c, units);
  };
  const size_t to = from + available;
  if (decided_) return find(lfMode_ ? '\n' : '\r', to) - from;
  const size_t cr = find('\r', to);
  const size_t lf = find('\n', cr);
  if (lf < cr) {
    decided_ = lfMode_ = finalLineEndPending_ = true;
    return lf - from;
  }
  if (cr < to) decided_ = true;
  return cr - from;
}

bool LineReader::readLineSlow(std::string_view& line) {
  line_.clear();
  lineStartsOdd_ = pos_ % 2 == 1;
  bool inLine = false;  // part of the line already copied to line_
  for (;;) {
    if (hitEndByte_) return finish(line, {}, inLine);
    if (!started_ || pos_ == chunk_.size()) {
      if (!fill()) return false;
      if (hitEndByte_) continue;
      if (pos_ == chunk_.size()) {
        finalLineEndPending_ = false;
        return finish(line, {}, inLine);
      }
    }
    const char* begin = chunk_.data() + pos_;
    const size_t available = endByte_ - pos_;
    const size_t length = findLineEnd(begin, available);
    const bool found = length < available;
    if (!found && endByte_ < chunk_.size()) {
      pos_ = endByte_;
      hitEndByte_ = true;
      return finish(line, {begin, length}, inLine);
    }
    if (!found) {
      append({begin, length});
      inLine = true;
      pos_ = chunk_.size();
      continue;
    }
    pos_ += length + 1;
    std::string_view piece(begin, length);
    if (lfMode_) return finish(line, piece, inLine);
    if (pos_ == chunk_.size()) {
      // The LF that may follow lies in the next chunk, which overwrites this one.
      append(piece);
      inLine = true;
      piece = {};
      if (!fill()) return false;
    }
    // In 16-bit text the byte after the CR is a high byte, never an LF.
    if (input_.units() == TextUnits::Bytes && pos_ < endByte_ && chunk_[pos_] == '\n') ++pos_;
    return finish(line, piece, inLine);
  }
}

bool LineReader::atEndSlow(bool& error) {
  error = false;
  if (hitEndByte_) return true;
  if (!started_ || pos_ == chunk_.size()) {
    if (!fill()) {
      error = true;
      return true;
    }
    if (hitEndByte_) return true;
    if (pos_ == chunk_.size()) return !finalLineEndPending_;
  }
  return pos_ == endByte_;  // the reading never passes the chunk's end byte
}

bool LineReader::textAfterEndByte(bool& ownLine) {
  ownLine = !hitEndByte_;
  if (!endedAtByte26()) return false;
  auto hasText = [](std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 32; });
  };
  if (hasText(chunk_.substr(endByte_ + 1))) return true;
  while (!dataExhausted_ && input_.next(chunk_) && !chunk_.empty()) {
    if (hasText(chunk_)) return true;
  }
  return false;
}

bool LineReader::fill() {
  started_ = true;
  pos_ = 0;
  chunk_ = {};
  endByte_ = 0;
  if (dataExhausted_) return true;
  if (!input_.next(chunk_)) return false;
  if (chunk_.empty()) dataExhausted_ = true;
  // Found once per chunk, so that lines need not be searched for it.
  endByte_ = findCharacter(chunk_, 0, chunk_.size(), kEndOfFile, input_.units());
  if (input_.units() == TextUnits::Bytes) endByte_ = std::min(endByte_, zeroTailStart());
  // A zero tail that began in an earlier chunk ends the input right here, and
  // its first NUL bytes are no part of the line they were taken into.
  if (endByte_ == 0 && !chunk_.empty() && chunk_[0] == 0) {
    hitEndByte_ = true;
    line_.resize(line_.size() - std::min(line_.size(), zeroRun_));
  }
  return true;
}

// The start of the chunk's zero tail, the chunk's size when it has none.
// zeroRun_ carries a run of NUL bytes over from one chunk into the next.
size_t LineReader::zeroTailStart() {
  const size_t size = chunk_.size();
  size_t i = 0;
  if (zeroRun_ > 0) {
    while (i < size && chunk_[i] == 0) ++i;
    if (zeroRun_ + i >= kZeroTail) return 0;
    if (i == size) {
      zeroRun_ += i;
      return size;
    }
    zeroRun_ = 0;
  }
  for (;;) {
    const void* hit = std::memchr(chunk_.data() + i, 0, size - i);
    if (!hit) return size;
    const size_t start = static_cast<size_t>(static_cast<const char*>(hit) - chunk_.data());
    size_t end = start;
    while (end < size && chunk_[end] == 0) ++end;
    if (end - start >= kZeroTail) return start;
    if (end == size) {
      zeroRun_ = end - start;
      return size;
    }
    i = end;
  }
}

void LineReader::append(std::string_view piece) {
  if (!lfMode_) {
    line_.append(piece);
    return;
  }
  // A dropped CR of 16-bit text takes its other half along.
  const TextUnits units = input_.units();
  const size_t partner = units == TextUnits::Utf16Le ? 1 : 0;
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != '\r' || !isCr(piece, i)) {
      line_.push_back(piece[i]);
    } else if (units != TextUnits::Bytes) {
      if (partner == 0 && !line_.empty()) line_.pop_back();
      i += partner;
    }
  }
}

// Whether piece[i], a byte 13 of the current chunk, is a whole CR.
bool LineReader::isCr(std::string_view piece, size_t i) const {
  if (input_.units() == TextUnits::Bytes) return true;
  return isWholeCharacter(chunk_, static_cast<size_t>(piece.data() - chunk_.data()) + i, input_.units());
}

bool LineReader::hasCr(std::string_view piece) const {
  for (size_t i = piece.find('\r'); i != std::string_view::npos; i = piece.find('\r', i + 1)) {
    if (isCr(piece, i)) return true;
  }
  return false;
}

bool LineReader::finish(std::string_view& line, std::string_view piece, bool inLine) {
  if (!inLine && (!lfMode_ || !hasCr(piece))) {
    line = piece;
    return true;
  }
  append(piece);
  line = line_;
  return true;
}

}  // namespace rowsmith
