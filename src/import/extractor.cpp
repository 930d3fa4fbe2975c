#include "import/extractor.h"

#include "kernel/runbeside.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <exception>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "import/recordfields.h"
#include "kernel/utf8text.h"
#include "kernel/names.h"

namespace rowsmith {

Extractor::Extractor(const GedcomIndex& db)
    : db_(db) {}

int32_t Extractor::resolve(std::string_view xref) const { return FindBlock(db_, xref); }

int32_t Extractor::resolvePerson(std::string_view xref) const {
  const int32_t found = resolve(xref);
  if (found < 0 || db_.Blocks[static_cast<size_t>(found)].is(tags::INDI)) return found;
  // Entries of equal XRef lie together, in file order.
  const XRefIndex& xrefs = db_.BlockXRefs;
  auto it = std::lower_bound(xrefs.begin(), xrefs.end(), xref,
                             [](const TBlockXRefEntry& e, std::string_view k) { return e.XRef < k; });
  for (; it != xrefs.end() && it->XRef == xref; ++it)
    if (db_.Blocks[static_cast<size_t>(it->BlockIndex)].is(tags::INDI)) return it->BlockIndex;
  return -1;
}

// The family list does not take the header for a family: a cross-reference
// that only the header (record 0) bears falls back to the first block at or
// after the first family that bears it.
int32_t Extractor::listedFamily(std::string_view xref, int32_t found) const {
  if (found >= 1) return found;
  if (found < 0) return -1;
  const XRefIndex& xrefs = db_.BlockXRefs;
  auto it = std::lower_bound(xrefs.begin(), xrefs.end(), std::pair(xref, db_.FirstFam),
                             [](const TBlockXRefEntry& e, const std::pair<std::string_view, int32_t>& k) {
                               int c = e.XRef.compare(k.first);
                               return c != 0 ? c < 0 : e.BlockIndex < k.second;
                             });
  if (it == xrefs.end() || it->XRef != xref) return -1;
  return it->BlockIndex;
}

// One pass over all records gives every record's FAMS links, parents'
// family, marriage items and what the family rules make of its HUSB and WIFE
// lines, and tells which individuals are named and which records have notes,
// so none of these needs a walk of its own later. The records are walked in
// chunks that two threads take in turn, so both stay busy however the kinds
// of records lie in the file.
void Extractor::buildLinkIndex() {
  const size_t blocks = db_.Blocks.size();
  linkStart_.assign(blocks + 1, 0);
  named_.assign(blocks, 0);
  noted_.assign(blocks, 0);
  parentFamily_.assign(blocks, kNoParents);
  birthParents_.assign(blocks, 0);
  marriageAt_.assign(blocks, -1);
  familyAt_.assign(blocks, -1);
  links_.clear();
  marriages_ = {};
  families_.clear();
  constexpr size_t kChunkRecords = 4096;
  struct Chunk {
    std::vector<FamsLink> links;
    MarriageTexts marriages;
    std::vector<FamilyInfo> families;
    ScanFinds finds;
  };
  std::vector<Chunk> chunks((blocks + kChunkRecords - 1) / kChunkRecords);
  std::atomic<size_t> next{0};
  auto scan = [&] {
    for (size_t k; (k = next.fetch_add(1)) < chunks.size();)
      scanRecords(k * kChunkRecords, std::min(blocks, (k + 1) * kChunkRecords), chunks[k].links, chunks[k].marriages,
                  chunks[k].families, chunks[k].finds);
  };
  if (chunks.size() > 1) runBeside(scan, scan);
  else scan();

  size_t linkCount = 0, marriageEnds = 0, marriageText = 0, familyCount = 0;
  for (const Chunk& chunk : chunks) {
    linkCount += chunk.links.size();
    familyCount += chunk.families.size();
    marriageEnds += chunk.marriages.ends.size();
    marriageText += chunk.marriages.text.size();
  }
  std::vector<ScanFinds> finds(chunks.size());
  for (size_t k = 0; k < chunks.size(); ++k) finds[k] = std::move(chunks[k].finds);
  links_.reserve(linkCount);
  marriages_.ends.reserve(marriageEnds);
  marriages_.text.reserve(marriageText);
  families_.reserve(familyCount);
  for (size_t k = 0; k < chunks.size(); ++k) {
    const uint32_t linksBefore = static_cast<uint32_t>(links_.size());
    const int32_t endsBefore = static_cast<int32_t>(marriages_.ends.size());
    const uint32_t textBefore = static_cast<uint32_t>(marriages_.text.size());
    const int32_t familiesBefore = static_cast<int32_t>(families_.size());
    for (size_t r = k * kChunkRecords; r < std::min(blocks, (k + 1) * kChunkRecords); ++r) {
      linkStart_[r] += linksBefore;
      if (marriageAt_[r] >= 0) marriageAt_[r] += endsBefore;
      if (familyAt_[r] >= 0) familyAt_[r] += familiesBefore;
    }
    Chunk& chunk = chunks[k];
    families_.insert(families_.end(), chunk.families.begin(), chunk.families.end());
    links_.insert(links_.end(), chunk.links.begin(), chunk.links.end());
    marriages_.text += chunk.marriages.text;
    for (uint32_t end : chunk.marriages.ends) marriages_.ends.push_back(textBefore + end);
    chunk = Chunk{};
  }
  linkStart_[blocks] = static_cast<uint32_t>(links_.size());
  addChildLinks(finds);
  addNamedLinks(finds);
}

// Children: a person whose own FAMC lines name no birth family takes the
// first family that names it in CHIL and that it does not name itself. Most
// CHIL lines name persons with a birth family of their own; a filter of the
// others' cross-references spares looking those lines up, and only the
// families with a line that may name one are walked again.
void Extractor::addChildLinks(std::span<const ScanFinds> finds) {
  std::vector<std::pair<int32_t, int32_t>> otherParents;
  bool anyChild = false;
  for (const ScanFinds& f : finds) {
    otherParents.insert(otherParents.end(), f.otherParents.begin(), f.otherParents.end());
    anyChild = anyChild || !f.childLines.empty();
  }
  if (!anyChild) return;
  std::sort(otherParents.begin(), otherParents.end());
  const size_t records = db_.Blocks.size();
  auto needsParents = [&](size_t r) {
    return static_cast<int32_t>(r) >= db_.FirstIndi && !birthParents_[r] && db_.Blocks[r].is(tags::INDI);
  };
  size_t needy = 0;
  for (size_t r = 0; r < records; ++r) needy += needsParents(r);
  if (needy == 0) return;
  size_t bits = 1024;
  while (bits < 64 * needy) bits *= 2;
  std::vector<uint64_t> filter(bits / 64, 0);
  for (size_t r = 0; r < records; ++r) {
    if (!needsParents(r)) continue;
    const size_t h = db_.Blocks[r].XRefHash & (bits - 1);
    filter[h / 64] |= uint64_t{1} << (h % 64);
  }
  // A family's lines lie in one stretch of the walk.
  for (const ScanFinds& f : finds) {
    const std::span<const std::pair<int32_t, uint32_t>> childLines = f.childLines;
    for (size_t i = 0; i < childLines.size();) {
      const int32_t family = childLines[i].first;
      bool mayName = false;
      for (; i < childLines.size() && childLines[i].first == family; ++i) {
        const size_t h = childLines[i].second & (bits - 1);
        mayName = mayName || (filter[h / 64] >> (h % 64) & 1) != 0;
      }
      if (!mayName) continue;
      RecordFields fields(db_, family);
      while (fields.next()) {
        if (!fields.is(tags::CHIL) || fields.level() != 1 || fields.value().empty()) continue;
        const int32_t child = resolvePerson(fields.value());
        if (child < 1 || !db_.Blocks[static_cast<size_t>(child)].is(tags::INDI)) continue;
        const size_t c = static_cast<size_t>(child);
        if (birthParents_[c] || std::binary_search(otherParents.begin(), otherParents.end(), std::pair(child, family)))
          continue;
        parentFamily_[c] = family;
        birthParents_[c] = 1;
      }
    }
  }
}

void Extractor::addNamedLinks(std::span<const ScanFinds> finds) {
  // Spouses: a family that names a person without the person naming it.
  // A person with many links of its own is looked up in a sorted copy, made
  // once. Two halves of the list are checked side by side.
  constexpr size_t kFewLinks = 32;
  auto unknownLinks = [this](std::span<const ScanFinds> part, std::vector<std::pair<int32_t, int32_t>>& extra) {
    std::unordered_map<int32_t, std::vector<int32_t>> sortedOwn;
    for (const ScanFinds& f : part) {
      for (const NamedLink& link : f.named) {
        const size_t c = static_cast<size_t>(link.person);
        const std::span<const FamsLink> own(links_.data() + linkStart_[c], linkStart_[c + 1] - linkStart_[c]);
        bool known = false;
        if (own.size() <= kFewLinks) {
          for (const FamsLink& l : own) known = known || l.family == link.family;
        } else {
          auto [it, made] = sortedOwn.try_emplace(link.person);
          if (made) {
            for (const FamsLink& l : own) it->second.push_back(l.family);
            std::sort(it->second.begin(), it->second.end());
          }
          known = std::binary_search(it->second.begin(), it->second.end(), link.family);
        }
        if (!known) extra.emplace_back(link.person, link.family);
      }
    }
  };
  std::vector<std::pair<int32_t, int32_t>> extra, extraOfSecond;  // (person, family)
  size_t total = 0;
  for (const ScanFinds& f : finds) total += f.named.size();
  size_t half = 0;
  for (size_t seen = 0; half < finds.size() && seen < total / 2; ++half) seen += finds[half].named.size();
  if (total >= 131072) {
    runBeside([&] { unknownLinks(finds.first(half), extra); }, [&] { unknownLinks(finds.subspan(half), extraOfSecond); });
    extra.insert(extra.end(), extraOfSecond.begin(), extraOfSecond.end());
  } else {
    unknownLinks(finds, extra);
  }
  if (extra.empty()) return;
  // Record numbers grow in file order, so sorting keeps each person's
  // families in it; a family naming a person twice links once.
  std::sort(extra.begin(), extra.end());
  extra.erase(std::unique(extra.begin(), extra.end()), extra.end());
  std::vector<FamsLink> links;
  links.reserve(links_.size() + extra.size());
  std::vector<uint32_t> start(linkStart_.size(), 0);
  size_t e = 0;
  for (size_t r = 0; r + 1 < linkStart_.size(); ++r) {
    start[r] = static_cast<uint32_t>(links.size());
    links.insert(links.end(), links_.begin() + linkStart_[r], links_.begin() + linkStart_[r + 1]);
    for (; e < extra.size() && static_cast<size_t>(extra[e].first) == r; ++e)
      links.push_back(FamsLink{extra[e].second, extra[e].second});
  }
  start.back() = static_cast<uint32_t>(links.size());
  links_ = std::move(links);
  linkStart_ = std::move(start);
}

// Records [from, to): their links go to links, each record's start relative
// to the start of links.
void Extractor::scanRecords(size_t from, size_t to, std::vector<FamsLink>& links, MarriageTexts& marriages,
                            std::vector<FamilyInfo>& families, ScanFinds& finds) {
  std::string name, surname, given;
  std::vector<FamilyLine> familyLines;
  // The record's FAMC lines that name a record: the family, whether its
  // PEDI is birth or absent.
  std::vector<std::pair<int32_t, bool>> parentLinks;
  for (size_t r = from; r < to; ++r) {
    linkStart_[r] = static_cast<uint32_t>(links.size());
    const bool individual = static_cast<int32_t>(r) >= db_.FirstIndi && db_.Blocks[r].is(tags::INDI);
    const bool isFamily = db_.Blocks[r].is(tags::FAM);
    name.clear();
    surname.clear();
    given.clear();
    familyLines.clear();
    parentLinks.clear();
    bool danglingParents = false;
    int32_t famcLevel = -1;  // while the lines below the last FAMC are read
    FirstNameScope nameScope;
    RecordFields fields(db_, static_cast<int32_t>(r));
    while (fields.next()) {
      if (individual) nameScope.line(fields.level(), fields.is(tags::NAME));
      if (famcLevel >= 0 && fields.level() <= famcLevel) famcLevel = -1;
      if (fields.is(tags::HUSB)) {
        familyLines.push_back({FamilyLine::Husband, fields.level() == 1, std::string(fields.value())});
      } else if (fields.is(tags::WIFE)) {
        familyLines.push_back({FamilyLine::Wife, fields.level() == 1, std::string(fields.value())});
      } else if (fields.is(tags::CHIL) && fields.level() == 1) {
        familyLines.push_back({FamilyLine::Child, true, std::string(fields.value())});
        if (isFamily && !fields.value().empty())
          finds.childLines.emplace_back(static_cast<int32_t>(r), xrefHash(fields.value()));
      } else if (fields.is(tags::FAMS)) {
        int32_t found = resolve(fields.value());
        if (found >= 0) links.push_back(FamsLink{found, listedFamily(fields.value(), found)});
      } else if (fields.is(tags::FAMC)) {
        const int32_t found = resolve(fields.value());
        if (found >= 0) {
          parentLinks.emplace_back(found, true);
          famcLevel = fields.level();
        } else {
          danglingParents = true;
        }
      } else if (fields.is(tags::PEDI)) {
        if (famcLevel >= 0 && fields.level() == famcLevel + 1)
          parentLinks.back().second = asciiUpperCase(trimView(fields.value())) == "BIRTH";
      } else if (fields.is(tags::NOTE) && fields.level() == 1) {
        noted_[r] = 1;
      } else if (individual) {
        if (fields.is(tags::NAME)) {
          if (name.empty()) name.assign(fields.value());
        } else if (fields.is(tags::SURN)) {
          if (nameScope.isPiece(fields.level())) surname.assign(fields.value());
        } else if (fields.is(tags::GIVN)) {
          if (nameScope.isPiece(fields.level())) given.assign(fields.value());
        }
      }
    }
    if (!parentLinks.empty()) {
      auto birth = std::find_if(parentLinks.begin(), parentLinks.end(), [](const auto& l) { return l.second; });
      parentFamily_[r] = birth != parentLinks.end() ? birth->first : parentLinks.front().first;
      birthParents_[r] = birth != parentLinks.end();
      if (birth == parentLinks.end()) {
        for (const auto& l : parentLinks) finds.otherParents.emplace_back(static_cast<int32_t>(r), l.first);
      }
    } else if (danglingParents) {
      parentFamily_[r] = kUnknownParents;
    }
    if (!familyLines.empty()) {
      familyAt_[r] = static_cast<int32_t>(families.size());
      families.push_back(familyInfo(familyLines, static_cast<int32_t>(r), isFamily ? &finds.named : nullptr));
    }
    if (db_.Blocks[r].is(tags::FAM)) {
      marriageAt_[r] = static_cast<int32_t>(marriages.ends.size());
      for (const std::string& item : GetMarriageItems(static_cast<int32_t>(r))) {
        appendCrlfLines(marriages.text, item);
        marriages.ends.push_back(static_cast<uint32_t>(marriages.text.size()));
      }
    }
    if (individual) {
      // Non-blank SURN or GIVN values are kept as they are by the completion.
      if (!trimView(surname).empty() || !trimView(given).empty()) {
        named_[r] = 1;
      } else {
        SplitName names = SplitGedComName(surname, given, name);
        named_[r] = !trimView(names.surname).empty() || !trimView(names.given).empty();
      }
    }
  }
}

std::array<std::string_view, 5> Extractor::marriageItems(int32_t f) const {
  std::array<std::string_view, 5> items;
  if (!isRecord(f) || marriageAt_.empty() || marriageAt_[static_cast<size_t>(f)] < 0) return items;
  const uint32_t* ends = marriages_.ends.data() + marriageAt_[static_cast<size_t>(f)];
  uint32_t begin = ends == marriages_.ends.data() ? 0 : ends[-1];
  for (size_t i = 0; i < items.size(); ++i) {
    items[i] = std::string_view(marriages_.text).substr(begin, ends[i] - begin);
    begin = ends[i];
  }
  return items;
}

std::span<const Extractor::FamsLink> Extractor::famsLinks(int32_t record) {
  if (!isRecord(record)) return {};
  if (linkStart_.empty()) buildLinkIndex();
  return std::span<const FamsLink>(links_.data() + linkStart_[static_cast<size_t>(record)],
                                   linkStart_[static_cast<size_t>(record) + 1] -
                                       linkStart_[static_cast<size_t>(record)]);
}

const Extractor::FamilyInfo& Extractor::family(int32_t f) {
  if (linkStart_.empty()) buildLinkIndex();
  static constexpr FamilyInfo kNoLines{};
  const int32_t at = familyAt_[static_cast<size_t>(f)];
  return at < 0 ? kNoLines : families_[static_cast<size_t>(at)];
}

// What the three family rules make of a record's HUSB, WIFE and CHIL lines;
// each distinct cross-reference is looked up once for all three rules.
Extractor::FamilyInfo Extractor::familyInfo(std::span<const FamilyLine> lines, int32_t f,
                                            std::vector<NamedLink>* named) const {
  FamilyInfo info;
  std::vector<std::pair<std::string_view, int32_t>> resolved;
  auto lookup = [&](std::string_view xref) {
    for (const auto& [key, id] : resolved) {
      if (key == xref) return id;
    }
    int32_t id = resolve(xref);
    resolved.emplace_back(xref, id);
    return id;
  };
  // A spouse or parent must be an individual.
  auto lookupPerson = [&](std::string_view xref) {
    int32_t id = lookup(xref);
    return id < 0 || db_.Blocks[static_cast<size_t>(id)].is(tags::INDI) ? id : resolvePerson(xref);
  };

  // Spouse list: the walk stops once both have a value; a later line of the
  // same kind before that replaces an earlier one.
  std::string_view husband, wife;
  bool haveHusband = false, haveWife = false;
  for (const FamilyLine& line : lines) {
    if (!husband.empty() && !wife.empty()) break;
    if (line.kind == FamilyLine::Husband) husband = line.value;
    else if (line.kind == FamilyLine::Wife) wife = line.value;
  }
  info.spouses.husband = husband.empty() ? 0 : lookupPerson(husband);
  info.spouses.wife = wife.empty() ? 0 : lookupPerson(wife);

  // Members: level-1 lines; the last HUSB and WIFE that resolve win.
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    if (!it->levelOne || it->kind == FamilyLine::Child) continue;
    bool& have = it->kind == FamilyLine::Husband ? haveHusband : haveWife;
    if (have) continue;
    int32_t id = lookup(it->value);
    if (id < 0) continue;
    have = true;
    (it->kind == FamilyLine::Husband ? info.members.husband : info.members.wife) = id;
  }
  info.membersFound = haveHusband || haveWife;
  for (size_t i = 0; !info.membersFound && i < lines.size(); ++i) {
    if (lines[i].kind == FamilyLine::Child) info.membersFound = lookup(lines[i].value) >= 0;
  }

  // Parents: the first HUSB and WIFE with a value, at any level; value-less
  // ones (under MARR, with an AGE below) are no links.
  std::string_view father, mother;
  for (const FamilyLine& line : lines) {
    if (line.value.empty()) continue;
    if (line.kind == FamilyLine::Husband && father.empty()) father = line.value;
    else if (line.kind == FamilyLine::Wife && mother.empty()) mother = line.value;
  }
  info.parents.husband = father.empty() ? 0 : lookupPerson(father);
  info.parents.wife = mother.empty() ? 0 : lookupPerson(mother);

  if (named != nullptr) {
    // Straight lookups where the family has many lines: the cache is a list.
    const bool cached = lines.size() <= 8;
    for (const FamilyLine& line : lines) {
      if (!line.levelOne || line.value.empty() || line.kind == FamilyLine::Child) continue;
      const int32_t person = cached ? lookupPerson(line.value) : resolvePerson(line.value);
      if (person >= 1 && db_.Blocks[static_cast<size_t>(person)].is(tags::INDI))
        named->push_back(NamedLink{person, f});
    }
  }
  return info;
}

Extractor::Couple Extractor::spouseCouple(int32_t f) {
  if (!isRecord(f)) return {};
  return family(f).spouses;
}

Extractor::Couple Extractor::memberCouple(int32_t f, bool& found) {
  found = false;
  if (!isRecord(f)) return {};
  const FamilyInfo& info = family(f);
  found = info.membersFound;
  return info.members;
}

void Extractor::NoteText::addLine(std::string_view line) {
  if (any_) text_ += '\n';
  text_.append(line);
  any_ = true;
}

void Extractor::NoteText::addContinuation(const RecordFields& fields) {
  if (fields.is(tags::CONT)) {
    addLine(fields.value());
  } else if (fields.is(tags::CONC)) {
    if (any_) text_.append(fields.value());
    else addLine(fields.value());
  }
}

// The lines of the note record a NOTE line points to; the reader keeps the
// record's own level-0 text as its first CONT line.
void Extractor::addNoteRecord(std::string_view xref, NoteText& notes) const {
  int32_t record = resolve(xref);
  if (!isRecord(record) || !db_.Blocks[static_cast<size_t>(record)].is(tags::NOTE)) return;
  RecordFields fields(db_, record);
  while (fields.next()) notes.addContinuation(fields);
}

void Extractor::takeNoteLine(const RecordFields& fields, int32_t& level, bool& inNote, NoteText& notes) const {
  if (fields.is(tags::NOTE) && fields.level() == 1) {
    const std::string_view value = fields.value();
    if (value.size() > 2 && value.front() == '@' && value.back() == '@') {
      addNoteRecord(value, notes);
    } else {
      level = 2;
      notes.addLine(value);
      inNote = true;
    }
  }
  if (inNote && fields.level() <= level) notes.addContinuation(fields);
}

bool recordTextLess(int32_t a, int32_t b) {
  char ta[16], tb[16];
  auto ea = std::to_chars(ta, ta + sizeof ta, a).ptr;
  auto eb = std::to_chars(tb, tb + sizeof tb, b).ptr;
  return std::string_view(ta, static_cast<size_t>(ea - ta)) < std::string_view(tb, static_cast<size_t>(eb - tb));
}

}  // namespace rowsmith
