#include "import/extractor.h"
#include "import/recordfields.h"
#include "kernel/utf8text.h"
#include "kernel/dates.h"

namespace rowsmith {

MarriageItems Extractor::GetMarriageItems(int32_t f) const { return GetMarriageItems(std::span(&f, 1)); }

MarriageItems Extractor::GetMarriageItems(std::span<const int32_t> families) const {
  MarriageItems items;
  // Date and place belong to the MARR event they stand under, in any order;
  // the first event with either is marriage 1, each later one marriage 2.
  int marriagesWithData = 0;
  int slot = -1;  // 0 marriage 1, 1 marriage 2, -1 this event has no data yet
  NoteText notes;
  for (const int32_t f : families) {
    if (!isRecord(f) || !db_.Blocks[static_cast<size_t>(f)].is(tags::FAM)) continue;
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
        slot = -1;
      }
      takeNoteLine(fields, eventLevel, inNote, notes);
      const bool date = fields.is(tags::DATE), place = fields.is(tags::PLAC);
      if (marriageOpen && eventLevel >= level && (date || place) && !trimView(value).empty()) {
        if (slot < 0) {
          slot = marriagesWithData++ == 0 ? 0 : 1;
          // A later marriage replaces marriage 2 whole, not just the half it has.
          items[2 * slot].clear();
          items[2 * slot + 1].clear();
        }
        if (date) items[2 * slot] = GedComDateToSortDate(value);
        else items[2 * slot + 1].assign(value);
      }
    }
    slot = -1;
  }
  items[4] = notes.joined();
  return items;
}

}  // namespace rowsmith
