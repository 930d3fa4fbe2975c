#include "support/familylookups.h"

#include <algorithm>
#include <unordered_set>

namespace rowsmith::test {

std::vector<int32_t> GetSpouseList(Extractor& ex, int32_t p, bool withoutSelf) {
  std::vector<int32_t> list;
  if (!ex.isRecord(p) || ex.db().Blocks[static_cast<size_t>(p)].FirstField < 0) return list;
  for (const Extractor::FamsLink& link : ex.famsLinks(p)) {
    const Extractor::Couple couple = ex.spouseCouple(link.family);
    if (!withoutSelf || couple.husband != p) list.push_back(couple.husband);
    if (!withoutSelf || couple.wife != p) list.push_back(couple.wife);
  }
  return list;
}

std::vector<int32_t> GetPersonFamilies(Extractor& ex, int32_t p) {
  // The spouse closure as a worklist: every spouse of a member joins it once.
  std::vector<int32_t> closure{p};
  std::unordered_set<int32_t> seen{p};
  for (size_t i = 0; i < closure.size(); ++i) {
    for (int32_t spouse : GetSpouseList(ex, closure[i], false)) {
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

bool IsFamilySpouse(Extractor& ex, int32_t p, int32_t f) {
  bool found = false;
  Extractor::Couple couple = ex.memberCouple(f, found);
  return found && (couple.husband == p || couple.wife == p);
}

}  // namespace rowsmith::test
