#include "kernel/strutils.h"

#include <limits>

#include "kernel/ansitext.h"

namespace rowsmith {

std::string SpaceStr(int32_t count) {
  return std::string(count > 0 ? static_cast<size_t>(count) : 0, ' ');
}

std::string CutUntilChar(char delimiter, std::string& text, bool cut) {
  const size_t at = text.find(delimiter);
  std::string head = text.substr(0, at);
  if (cut) {
    if (at == std::string::npos)
      text.clear();
    else
      text.erase(0, at + 1);
  }
  return head;
}

std::string ReadUntilChar(char delimiter, std::string_view text, int32_t& position) {
  // A position before the text reads from its start rather than outside it.
  const size_t start = position > 1 ? static_cast<size_t>(position) - 1 : 0;
  if (start >= text.size()) {
    if (position < std::numeric_limits<int32_t>::max()) ++position;
    return std::string();
  }
  size_t stop = text.find(delimiter, start);
  if (stop == std::string_view::npos) stop = text.size();
  // The stopping character's 1-based index plus one; stop < 2^31 - 1 here
  // only for texts of sane size, so clamp rather than overflow.
  const size_t next = stop + 2;
  position = next > static_cast<size_t>(std::numeric_limits<int32_t>::max())
                 ? std::numeric_limits<int32_t>::max()
                 : static_cast<int32_t>(next);
  return std::string(text.substr(start, stop - start));
}

std::string DecodeCharCodes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    const size_t hash = text.find('#', pos);
    if (hash == std::string_view::npos) break;
    out.append(text.substr(pos, hash - pos));
    size_t end = hash + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == hash + 1) return "ERROR - # without number found!";
    const std::optional<int32_t> value = toInt32(text.substr(hash + 1, end - hash - 1));
    if (!value) return "ERROR - can not convert!";
    if (*value > 255) return "ERROR - number must be a byte!";
    // Decoding restarts at the leftmost "#": a decoded "#" is seen again,
    // and what follows it is never a digit (the digit run was maximal).
    if (*value == '#') return "ERROR - # without number found!";
    out.push_back(static_cast<char>(*value));
    pos = end;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace rowsmith
