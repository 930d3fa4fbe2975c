#include "import/families.h"

#include <algorithm>
#include <charconv>
#include <unordered_set>

#include "import/extractor.h"
#include "import/recordfields.h"
#include "kernel/dates.h"

namespace rowsmith {

std::vector<int32_t> Extractor::GetPersonFamilies(int32_t p) {
  // The spouse closure as a worklist: every spouse of a member joins it once.
  std::vector<int32_t> closure{p};
  std::unordered_set<int32_t> seen{p};
  for (size_t i = 0; i < closure.size(); ++i) {
    for (int32_t spouse : GetSpouseList(closure[i], false)) {
      if (spouse < 1) continue;  // "0" and "-1" name nobody
      if (seen.insert(spouse).second) closure.push_back(spouse);
    }
  }
  std::vector<int32_t> families;
  for (int32_t member : closure) {
    for (const FamsLink& link : famsLinks(member)) {
      if (link.listedFamily >= 0) families.push_back(link.listedFamily);
    }
  }
  std::sort(families.begin(), families.end(), recordTextLess);
  families.erase(std::unique(families.begin(), families.end()), families.end());
  return families;
}

std::vector<int32_t> Extractor::GetFamilyMembers(int32_t f) {
  std::vector<int32_t> list;
  if (!isRecord(f)) return list;
  RecordFields fields(db_, f);
  while (fields.next()) {
    if (fields.level() != 1) continue;
    if (!fields.is(tags::HUSB) && !fields.is(tags::WIFE) && !fields.is(tags::CHIL)) continue;
    int32_t found = resolve(fields.value());
    if (found < 0) continue;
    if (list.size() < 2) list.resize(2, 0);
    if (fields.is(tags::HUSB)) list[0] = found;
    else if (fields.is(tags::WIFE)) list[1] = found;
    else list.push_back(found);
  }
  if (list.size() > 3) {
    // Children by birth date; equal dates keep their order.
    std::vector<std::pair<int32_t, int32_t>> keyed;
    keyed.reserve(list.size() - 2);
    for (size_t i = 2; i < list.size(); ++i) keyed.emplace_back(birthKey(list[i]), list[i]);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i) list[i + 2] = keyed[i].second;
  }
  return list;
}

bool Extractor::IsFamilySpouse(int32_t p, int32_t f) {
  bool found = false;
  Couple couple = memberCouple(f, found);
  return found && (couple.husband == p || couple.wife == p);
}

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
