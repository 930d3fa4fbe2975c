#include "import/marriagefamilies.h"

#include <algorithm>

namespace rowsmith {

namespace {

bool byCouple(int32_t spouseA, int32_t partnerA, int32_t spouseB, int32_t partnerB) {
  return spouseA != spouseB ? spouseA < spouseB : partnerA < partnerB;
}

}  // namespace

// A person with many families (a star of remarriages) is looked up in the
// family's listers instead, so no row costs time in proportion to them.
bool MarriageFamilies::lists(int32_t record, int32_t family) {
  constexpr size_t kFewLinks = 32;
  std::span<const Extractor::FamsLink> links = ex_.famsLinks(record);
  if (links.size() > kFewLinks) {
    std::span<const int32_t> by = listers(family);
    return std::find(by.begin(), by.end(), record) != by.end();
  }
  for (const Extractor::FamsLink& link : links)
    if (link.listedFamily == family) return true;
  return false;
}

std::span<const int32_t> MarriageFamilies::listers(int32_t family) {
  if (linkerStart_.empty()) buildListers();
  if (family < 0 || static_cast<size_t>(family) + 1 >= linkerStart_.size()) return {};
  const uint32_t begin = linkerStart_[static_cast<size_t>(family)];
  return {linkers_.data() + begin, linkerStart_[static_cast<size_t>(family) + 1] - begin};
}

void MarriageFamilies::buildListers() {
  const int32_t records = ex_.recordCount();
  // Counting sort of (family, record that lists it).
  linkerStart_.assign(static_cast<size_t>(records) + 1, 0);
  for (int32_t r = 0; r < records; ++r) {
    for (const Extractor::FamsLink& link : ex_.famsLinks(r))
      if (link.listedFamily >= 0) ++linkerStart_[static_cast<size_t>(link.listedFamily) + 1];
  }
  for (size_t k = 0; k < static_cast<size_t>(records); ++k) linkerStart_[k + 1] += linkerStart_[k];
  linkers_.resize(linkerStart_.back());
  std::vector<uint32_t> fill(linkerStart_.begin(), linkerStart_.end() - 1);
  for (int32_t r = 0; r < records; ++r) {
    for (const Extractor::FamsLink& link : ex_.famsLinks(r))
      if (link.listedFamily >= 0) linkers_[fill[static_cast<size_t>(link.listedFamily)]++] = r;
  }
}

// A family that nobody lists is kept here too: find never counts it.
void MarriageFamilies::build() {
  const int32_t records = ex_.recordCount();
  for (int32_t family = 0; family < records; ++family) {
    bool found = false;
    const Extractor::Couple couple = ex_.memberCouple(family, found);
    if (!found) continue;
    if (couple.husband >= 1) partnerFamilies_.push_back({couple.husband, couple.wife, family});
    if (couple.wife >= 1 && couple.wife != couple.husband)
      partnerFamilies_.push_back({couple.wife, couple.husband, family});
  }
  std::sort(partnerFamilies_.begin(), partnerFamilies_.end(), [](const PartnerFamily& a, const PartnerFamily& b) {
    if (a.spouse != b.spouse || a.partner != b.partner) return byCouple(a.spouse, a.partner, b.spouse, b.partner);
    return recordTextLess(b.family, a.family);
  });
  built_ = true;
}

// The family counts when someone of p's spouse closure lists it. p lists its
// own families and q, p's partner, is in the closure; anyone else must be
// reachable from p through spouse links. Mostly p or q lists it, so the
// index of all listers is built only when asked.
bool MarriageFamilies::counts(int32_t p, int32_t q, int32_t family) {
  if (lists(p, family) || lists(q, family)) return true;
  for (int32_t r : listers(family))
    if (reach_.reaches(p, r)) return true;
  return false;
}

int32_t MarriageFamilies::find(int32_t p, int32_t q) {
  if (!built_) build();
  auto [begin, end] = std::equal_range(
      partnerFamilies_.begin(), partnerFamilies_.end(), PartnerFamily{p, q, 0},
      [](const PartnerFamily& a, const PartnerFamily& b) { return byCouple(a.spouse, a.partner, b.spouse, b.partner); });
  for (auto it = begin; it != end; ++it)
    if (counts(p, q, it->family)) return it->family;
  return -1;
}

void MarriageFamilies::findAll(int32_t p, int32_t q, std::vector<int32_t>& families) {
  families.clear();
  if (!built_) build();
  auto [begin, end] = std::equal_range(
      partnerFamilies_.begin(), partnerFamilies_.end(), PartnerFamily{p, q, 0},
      [](const PartnerFamily& a, const PartnerFamily& b) { return byCouple(a.spouse, a.partner, b.spouse, b.partner); });
  for (auto it = begin; it != end; ++it)
    if (counts(p, q, it->family)) families.push_back(it->family);
  std::sort(families.begin(), families.end());
}

}  // namespace rowsmith
