#include "import/families.h"

#include <algorithm>

#include "import/extractor.h"
#include "kernel/datecells.h"

namespace rowsmith {

Extractor::Couple Extractor::parentCells(int32_t p) const {
  if (p <= 0 || !isRecord(p) || linkStart_.empty()) return {};
  const int32_t family = parentFamily_[static_cast<size_t>(p)];
  if (family < 0) return {};
  const int32_t at = familyAt_[static_cast<size_t>(family)];
  if (at < 0) return {};
  Couple parents = families_[static_cast<size_t>(at)].parents;
  if (parents.husband == p) parents.husband = 0;
  if (parents.wife == p) parents.wife = 0;
  return parents;
}

// Line breaks of a marriage item become CR LF, whatever the file had.
void appendCrlfLines(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 8);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') out += '\r';
    out += c;
  }
}

void appendMarriageCells(std::string& text, std::span<uint32_t, 3> ends, const std::array<std::string_view, 5>& items) {
  const bool second = !items[2].empty();
  text += items[0];
  if (second) {
    text += kDatePartBreak;
    text += items[2];
  }
  ends[0] = static_cast<uint32_t>(text.size());
  text += items[1];
  if (second) {
    text += " / ";
    text += items[3];
  }
  ends[1] = static_cast<uint32_t>(text.size());
  text += items[4];
  ends[2] = static_cast<uint32_t>(text.size());
}

}  // namespace rowsmith
