#include <algorithm>
#include <bit>
#include <charconv>
#include <functional>

#include "import/extractor.h"
#include "import/recordfields.h"
#include "kernel/utf8text.h"
#include "kernel/dates.h"
#include "kernel/names.h"

namespace rowsmith {

namespace {

std::string decimal(int32_t n) {
  char buf[16];
  auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
  return std::string(buf, end);
}

// A Protestant baptism is mostly recorded as BAPM; it fills the christening
// columns of a person who has no CHR event.
constexpr FieldTag kBapm = fieldTag("BAPM");
constexpr int kEvents = PersonFields::kEvents;
constexpr int kChr = PersonFields::kChristening;
constexpr int kBapmEvent = 4;
constexpr FieldTag kEventTags[kEvents] = {tags::BIRT, tags::DEAT, tags::CHR, tags::BURI, kBapm};
// Where PersonFields::folded keeps values folded from CONC pieces.
constexpr int kPrefixSlot = 6, kDateSlot = 7, kPlaceSlot = kDateSlot + kEvents,
              kShownDateSlot = kPlaceSlot + kEvents, kShownPlaceSlot = kShownDateSlot + kEvents;
static_assert(kShownPlaceSlot + kEvents == PersonFields::kFoldedSlots);
static_assert(PersonFields::kBirth == 0 && PersonFields::kDeath == 1 && PersonFields::kBurial == 3);

bool notBlank(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 32) return true;
  return false;
}

}  // namespace

SplitName personNames(const PersonFields& raw) {
  if (raw.prefix.empty()) return SplitGedComName(raw.surname, raw.given, raw.name);
  return SplitGedComName(surnameWithPrefix(raw.prefix, raw.surname), raw.given, raw.name);
}

std::vector<int32_t> Extractor::GetPersonList() {
  if (linkStart_.empty()) buildLinkIndex();
  std::vector<int32_t> persons;
  for (int32_t p = std::max(db_.FirstIndi, 0); p < recordCount(); ++p) {
    if (named_[static_cast<size_t>(p)]) persons.push_back(p);
  }
  return persons;
}

std::optional<PersonValues> Extractor::GetPersonValues(int32_t p) const {
  PersonValues values;
  if (p == 0) {
    values[pvID] = std::string("0");
    values[pvSurname] = std::string("NN");
    values[pvGivenName] = std::string("NN");
    return values;
  }
  PersonFields raw;
  if (!readPersonFields(p, raw)) return std::nullopt;
  SplitName names = personNames(raw);
  values[pvID] = decimal(p);
  values[pvSurname] = std::move(names.surname);
  values[pvGivenName] = std::move(names.given);
  values[pvBirthDate] = GedComDateToSortDate(raw.dates[PersonFields::kBirth]);
  values[pvBirthPlace] = raw.places[PersonFields::kBirth];
  values[pvDeathDate] = GedComDateToSortDate(raw.dates[PersonFields::kDeath]);
  values[pvDeathPlace] = raw.places[PersonFields::kDeath];
  values[pvReligion] = raw.religion;
  values[pvOccupation] = raw.occupation;
  values[pvChrDate] = GedComDateToSortDate(raw.dates[PersonFields::kChristening]);
  values[pvChrPlace] = raw.places[PersonFields::kChristening];
  values[pvBurialDate] = GedComDateToSortDate(raw.dates[PersonFields::kBurial]);
  values[pvBurialPlace] = raw.places[PersonFields::kBurial];
  values[pvSex] = raw.sex;
  return values;
}

bool Extractor::readPersonFields(int32_t p, PersonFields& raw) const {
  if (!isRecord(p)) return false;
  raw.name = raw.surname = raw.given = raw.prefix = raw.religion = raw.occupation = raw.sex = {};
  for (int e = 0; e < kEvents; ++e) raw.dates[e] = raw.places[e] = {};
  const std::string_view text = db_.Text;
  // The date and place of the event being read, per kind; the shown ones
  // (raw.dates, raw.places) belong to one event: the last with a DATE, or
  // without any, the last with a PLAC.
  std::string_view date[kEvents], place[kEvents];
  unsigned open = 0;  // bit e: an event of kind e is being read
  bool shownHasDate[kEvents] = {};
  bool hasChr = false;
  int32_t eventLevel = 0;
  FirstNameScope nameScope;

  auto inIndex = [&](std::string_view value) {
    return std::less_equal<>()(text.data(), value.data()) &&
           std::less_equal<>()(value.data() + value.size(), text.data() + text.size());
  };
  // A value folded from CONC pieces lives only until the next field, so it
  // is kept in its slot.
  auto keep = [&](std::string_view& target, std::string_view value, int slot) {
    if (value.empty() || inIndex(value)) {
      target = value;
    } else {
      raw.folded[slot].assign(value);
      target = raw.folded[slot];
    }
  };
  auto close = [&](int e) {
    open &= ~(1u << e);
    const bool hasDate = notBlank(date[e]);
    if (hasDate || (!shownHasDate[e] && notBlank(place[e]))) {
      keep(raw.dates[e], date[e], kShownDateSlot + e);
      keep(raw.places[e], place[e], kShownPlaceSlot + e);
      shownHasDate[e] = hasDate;
    }
  };

  RecordFields fields(db_, p);
  while (fields.next()) {
    const int32_t level = fields.level();
    const std::string_view value = fields.value();
    auto take = [&](std::string_view& target, int slot) { keep(target, value, slot); };
    nameScope.line(level, fields.is(tags::NAME));
    // Lowering the event level and closing the events at level 1 are two
    // separate steps: a level-1 line ends every event whatever came before.
    if (eventLevel > level) eventLevel = level;
    if (level == 1) {
      for (unsigned bits = open; bits != 0; bits &= bits - 1) close(std::countr_zero(bits));
    }
    // Each line has one tag: the commonest are asked first.
    if (fields.is(tags::DATE) || fields.is(tags::PLAC)) {
      const bool isDate = fields.is(tags::DATE);
      if (eventLevel >= level) {
        for (unsigned bits = open; bits != 0; bits &= bits - 1) {
          const int e = std::countr_zero(bits);
          take(isDate ? date[e] : place[e], isDate ? kDateSlot + e : kPlaceSlot + e);
        }
      }
    } else if (fields.is(tags::NAME)) {
      if (raw.name.empty()) take(raw.name, 0);
    } else if (fields.is(tags::SEX)) {
      take(raw.sex, 4);
    } else if (fields.is(tags::SURN)) {
      if (nameScope.isPiece(level)) take(raw.surname, 1);
    } else if (fields.is(tags::GIVN)) {
      if (nameScope.isPiece(level)) take(raw.given, 2);
    } else if (fields.is(tags::RELI)) {
      if (level == 1) take(raw.religion, 3);
    } else if (fields.is(tags::OCCU)) {
      if (level == 1) take(raw.occupation, 5);
    } else {
      int e = 0;
      while (e < kEvents && !fields.is(kEventTags[e])) ++e;
      if (e < kEvents) {
        if (open & (1u << e)) close(e);
        eventLevel = level + 1;
        open |= 1u << e;
        date[e] = place[e] = {};
        if (e == kChr) hasChr = true;
      } else if (fields.is(tags::SPFX) && nameScope.isPiece(level)) {
        take(raw.prefix, kPrefixSlot);
      }
    }
  }
  for (unsigned bits = open; bits != 0; bits &= bits - 1) close(std::countr_zero(bits));

  if (!hasChr) {
    raw.dates[kChr] = raw.dates[kBapmEvent];
    raw.places[kChr] = raw.places[kBapmEvent];
  }
  return true;
}

// Most values need no trimming; those are moved, not copied.
static void assignTrimmed(std::string& target, std::string& value) {
  std::string_view trimmed = trimView(value);
  if (trimmed.size() == value.size()) target = std::move(value);
  else target.assign(trimmed);
}

bool Extractor::GetPersonRecord(int32_t p, TPersRec& r) const {
  r.ID = decimal(p);
  std::optional<PersonValues> values = GetPersonValues(p);
  if (!values) return false;
  PersonValues& v = *values;
  assignTrimmed(r.Surname, v[pvSurname]);
  assignTrimmed(r.GivenName, v[pvGivenName]);
  assignTrimmed(r.BirthDate, v[pvBirthDate]);
  assignTrimmed(r.BirthPlace, v[pvBirthPlace]);
  assignTrimmed(r.DeathDate, v[pvDeathDate]);
  assignTrimmed(r.DeathPlace, v[pvDeathPlace]);
  assignTrimmed(r.Religion, v[pvReligion]);
  assignTrimmed(r.Occupation, v[pvOccupation]);
  assignTrimmed(r.ChrDate, v[pvChrDate]);
  assignTrimmed(r.ChrPlace, v[pvChrPlace]);
  assignTrimmed(r.BurialDate, v[pvBurialDate]);
  assignTrimmed(r.BurialPlace, v[pvBurialPlace]);
  std::string sex = asciiUpperCase(trimView(v[pvSex]));
  r.Sex = sex == "M" ? 1 : sex == "F" ? 2 : 0;
  return true;
}

std::string Extractor::GetPersonNotes(int32_t p) const {
  if (!isRecord(p) || !db_.Blocks[static_cast<size_t>(p)].is(tags::INDI)) return {};
  // Without a level-1 NOTE line no line is ever taken.
  if (!noted_.empty() && !noted_[static_cast<size_t>(p)]) return {};
  NoteText notes;
  int32_t noteLevel = 0;
  bool inNote = false;
  RecordFields fields(db_, p);
  while (fields.next()) {
    const int32_t level = fields.level();
    if (level < noteLevel) noteLevel = level;
    if (level == 1) inNote = false;
    takeNoteLine(fields, noteLevel, inNote, notes);
  }
  return notes.joined();
}


}  // namespace rowsmith
