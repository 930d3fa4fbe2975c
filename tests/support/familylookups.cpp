#include "support/familylookups.h"

#include <algorithm>
#include <unordered_set>

#include "import/recordfields.h"

namespace rowsmith::test {

std::vector<int32_t> GetPersonFamilies(Extractor& ex, int32_t p) {
  // The spouse closure as a worklist: every spouse of a member joins it once.
  std::vector<int32_t> closure{p};
  std::unordered_set<int32_t> seen{p};
  for (size_t i = 0; i < closure.size(); ++i) {
    for (int32_t spouse : ex.GetSpouseList(closure[i], false)) {
      if (spouse < 1) continue;  // "0" and "-1" name nobody
      if (seen.insert(spouse).second) closure.push_back(spouse);
    }
  }
  std::vector<int32_t> families;
  for (int32_t member : closure) {
    for (const Extractor::FamsLink& link : ex.famsLinks(member)) {
      if (link.listedFamily >= 0) families.push_back(link.listedFamily);
    }
  }
  std::sort(families.begin(), families.end(), recordTextLess);
  families.erase(std::unique(families.begin(), families.end()), families.end());
  return families;
}

std::vector<int32_t> GetFamilyMembers(const Extractor& ex, int32_t f) {
  std::vector<int32_t> list;
  if (!ex.isRecord(f)) return list;
  RecordFields fields(ex.db(), f);
  while (fields.next()) {
    if (fields.level() != 1) continue;
    if (!fields.is(tags::HUSB) && !fields.is(tags::WIFE) && !fields.is(tags::CHIL)) continue;
    int32_t found = ex.resolve(fields.value());
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
    for (size_t i = 2; i < list.size(); ++i) keyed.emplace_back(ex.birthKey(list[i]), list[i]);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < keyed.size(); ++i) list[i + 2] = keyed[i].second;
  }
  return list;
}

bool IsFamilySpouse(Extractor& ex, int32_t p, int32_t f) {
  bool found = false;
  Extractor::Couple couple = ex.memberCouple(f, found);
  return found && (couple.husband == p || couple.wife == p);
}

}  // namespace rowsmith::test
