#include "import/extractor.h"

#include <algorithm>
#include <charconv>

#include "import/recordfields.h"

namespace rowsmith {

Extractor::Extractor(const TDBDefaults& db)
    : db_(db),
      spouseCouples_(db.Blocks.size()),
      memberCouples_(db.Blocks.size()),
      parents_(db.Blocks.size()) {}

namespace {

// The index keeps the first 32 characters of a record's cross-reference, so a
// link is looked up by as many; a longer one would never be found.
std::string_view indexedXRef(std::string_view xref) { return xref.substr(0, sizeof(TBlockRec::XRef)); }

}  // namespace

int32_t Extractor::resolve(std::string_view xref) const {
  return FindBlockByXRef(db_.BlockXRefs, indexedXRef(xref));
}

int32_t Extractor::resolvePerson(std::string_view xref) const {
  xref = indexedXRef(xref);
  const int32_t found = resolve(xref);
  if (found < 0 || db_.Blocks[static_cast<size_t>(found)].tag() == "INDI") return found;
  // Entries of equal XRef lie together, in file order.
  const TBlockIDX& xrefs = db_.BlockXRefs;
  auto it = std::lower_bound(xrefs.begin(), xrefs.end(), xref,
                             [](const TBlockXRefEntry& e, std::string_view k) { return e.XRef < k; });
  for (; it != xrefs.end() && it->XRef == xref; ++it)
    if (db_.Blocks[static_cast<size_t>(it->BlockIndex)].tag() == "INDI") return it->BlockIndex;
  return -1;
}

// The family list does not take the header for a family: a cross-reference
// that only the header (record 0) bears falls back to the first block at or
// after the first family that bears it.
int32_t Extractor::listedFamily(std::string_view xref, int32_t found) const {
  if (found >= 1) return found;
  if (found < 0) return -1;
  xref = indexedXRef(xref);
  const TBlockIDX& xrefs = db_.BlockXRefs;
  auto it = std::lower_bound(xrefs.begin(), xrefs.end(), std::pair(xref, db_.FirstFam),
                             [](const TBlockXRefEntry& e, const std::pair<std::string_view, int32_t>& k) {
                               int c = e.XRef.compare(k.first);
                               return c != 0 ? c < 0 : e.BlockIndex < k.second;
                             });
  if (it == xrefs.end() || it->XRef != xref) return -1;
  return it->BlockIndex;
}

void Extractor::buildLinkIndex() {
  const size_t blocks = db_.Blocks.size();
  linkStart_.assign(blocks + 1, 0);
  for (size_t r = 0; r < blocks; ++r) {
    linkStart_[r] = static_cast<uint32_t>(links_.size());
    RecordFields fields(db_, static_cast<int32_t>(r));
    while (fields.next()) {
      if (fields.tag() != "FAMS") continue;
      int32_t found = resolve(fields.value());
      if (found < 0) continue;  // no family bears it: the link adds nothing
      links_.push_back(FamsLink{found, listedFamily(fields.value(), found)});
    }
  }
  linkStart_[blocks] = static_cast<uint32_t>(links_.size());
  links_.shrink_to_fit();
}

std::span<const Extractor::FamsLink> Extractor::famsLinks(int32_t record) {
  if (!isRecord(record)) return {};
  if (linkStart_.empty()) buildLinkIndex();
  return std::span<const FamsLink>(links_.data() + linkStart_[static_cast<size_t>(record)],
                                   linkStart_[static_cast<size_t>(record) + 1] -
                                       linkStart_[static_cast<size_t>(record)]);
}

Extractor::Couple Extractor::spouseCouple(int32_t family) {
  if (!isRecord(family)) return {};
  CoupleInfo& info = spouseCouples_[static_cast<size_t>(family)];
  if (info.known) return info.couple;
  std::string husband, wife;
  RecordFields fields(db_, family);
  while ((husband.empty() || wife.empty()) && fields.next()) {
    if (fields.tag() == "HUSB") husband.assign(fields.value());
    else if (fields.tag() == "WIFE") wife.assign(fields.value());
  }
  info.couple.husband = husband.empty() ? 0 : resolvePerson(husband);
  info.couple.wife = wife.empty() ? 0 : resolvePerson(wife);
  info.known = true;
  return info.couple;
}

const Extractor::MemberInfo& Extractor::members(int32_t family) {
  MemberInfo& info = memberCouples_[static_cast<size_t>(family)];
  if (info.known) return info;
  RecordFields fields(db_, family);
  while (fields.next()) {
    if (fields.level() != 1) continue;
    std::string_view tag = fields.tag();
    bool husb = tag == "HUSB";
    bool wife = tag == "WIFE";
    if (!husb && !wife && tag != "CHIL") continue;
    int32_t found = resolve(fields.value());
    if (found < 0) continue;
    info.found = true;
    if (husb) info.couple.husband = found;
    else if (wife) info.couple.wife = found;
  }
  info.known = true;
  return info;
}

Extractor::Couple Extractor::memberCouple(int32_t family, bool& found) {
  found = false;
  if (!isRecord(family)) return {};
  const MemberInfo& info = members(family);
  found = info.found;
  return info.couple;
}

bool recordTextLess(int32_t a, int32_t b) {
  char ta[16], tb[16];
  auto ea = std::to_chars(ta, ta + sizeof ta, a).ptr;
  auto eb = std::to_chars(tb, tb + sizeof tb, b).ptr;
  return std::string_view(ta, static_cast<size_t>(ea - ta)) < std::string_view(tb, static_cast<size_t>(eb - tb));
}

}  // namespace rowsmith
