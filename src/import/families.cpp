#include "import/families.h"

#include <algorithm>
#include <charconv>

#include "import/extractor.h"
#include "kernel/dates.h"

namespace rowsmith {

std::vector<int32_t> Extractor::GetParentIDs(int32_t p) {
  std::vector<int32_t> ids{0, 0};
  if (p == 0 || !isRecord(p)) return ids;
  if (linkStart_.empty()) buildLinkIndex();
  const int32_t family = parentFamily_[static_cast<size_t>(p)];
  if (family == kUnknownParents) return {};  // a FAMC naming no record fails the lookup
  if (family == kNoParents) return ids;
  Couple parents = parentCouple(family);
  ids[0] = parents.husband == p ? 0 : parents.husband;
  ids[1] = parents.wife == p ? 0 : parents.wife;
  return ids;
}

Extractor::Couple Extractor::parentCells(int32_t p) const {
  if (p <= 0 || !isRecord(p) || linkStart_.empty()) return {};
  const int32_t family = parentFamily_[static_cast<size_t>(p)];
  if (family < 0) return {};
  Couple parents = families_[static_cast<size_t>(family)].parents;
  if (parents.husband == p) parents.husband = 0;
  if (parents.wife == p) parents.wife = 0;
  return parents;
}

namespace {

// Line breaks of a marriage item become CR LF, whatever the file had.
std::string crlfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

bool Extractor::GetMarriageData(int32_t f, TFamDataRec& data) const {
  data = TFamDataRec{};
  if (!isRecord(f)) return false;
  MarriageItems items = GetMarriageItems(f);
  char buf[16];
  data.ID.assign(buf, std::to_chars(buf, buf + sizeof buf, f).ptr);
  data.FirstDate = crlfLines(items[0]);
  data.FirstPlace = crlfLines(items[1]);
  data.SecondDate = crlfLines(items[2]);
  data.SecondPlace = crlfLines(items[3]);
  data.Notes = crlfLines(items[4]);
  return true;
}

std::array<std::string, 3> marriageCells(const TFamDataRec& data, bool westernDates) {
  std::array<std::string, 3> cells;
  cells[0] = DateForDisplay(data.FirstDate, westernDates);
  cells[1] = data.FirstPlace;
  if (!data.SecondDate.empty()) {
    cells[0] += " / ";
    cells[0] += DateForDisplay(data.SecondDate, westernDates);
    cells[1] += " / ";
    cells[1] += data.SecondPlace;
  }
  cells[2] = data.Notes;
  return cells;
}

}  // namespace rowsmith
