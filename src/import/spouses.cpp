#include "import/extractor.h"
#include "import/recordfields.h"
#include "kernel/dates.h"

namespace rowsmith {

std::vector<int32_t> Extractor::GetSpouseList(int32_t p, bool withoutSelf) {
  std::vector<int32_t> list;
  if (!isRecord(p) || db_.Blocks[static_cast<size_t>(p)].FirstField < 0) return list;
  for (const FamsLink& link : famsLinks(p)) {
    Couple couple = spouseCouple(link.family);
    if (!withoutSelf || couple.husband != p) list.push_back(couple.husband);
    if (!withoutSelf || couple.wife != p) list.push_back(couple.wife);
  }
  return list;
}

MarriageItems Extractor::GetMarriageItems(int32_t f) const {
  MarriageItems items;
  if (!isRecord(f) || !db_.Blocks[static_cast<size_t>(f)].is(tags::FAM)) return items;
  enum class Slot { None, First, Second } lastSlot = Slot::None;
  NoteText notes;
  int32_t eventLevel = 0;
  bool marriageOpen = false;
  bool inNote = false;
  RecordFields fields(db_, f);
  while (fields.next()) {
    const int32_t level = fields.level();
    const std::string_view value = fields.value();
    if (eventLevel > level) eventLevel = level;
    if (level == 1) marriageOpen = inNote = false;
    if (fields.is(tags::MARR)) {
      eventLevel = level + 1;
      marriageOpen = true;
    }
    takeNoteLine(fields, eventLevel, inNote, notes);
    if (marriageOpen && eventLevel >= level) {
      if (fields.is(tags::DATE)) {
        if (items[0].empty()) {
          items[0] = GedComDateToSortDate(value);
          lastSlot = Slot::First;
        } else {
          items[2] = GedComDateToSortDate(value);
          lastSlot = Slot::Second;
        }
      } else if (fields.is(tags::PLAC)) {
        if (lastSlot == Slot::First) items[1].assign(value);
        else if (lastSlot == Slot::Second) items[3].assign(value);
      }
    }
  }
  items[4] = notes.joined();
  return items;
}

}  // namespace rowsmith
