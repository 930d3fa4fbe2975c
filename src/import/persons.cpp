#include <algorithm>
#include <charconv>

#include "import/extractor.h"
#include "import/recordfields.h"
#include "kernel/ansitext.h"
#include "kernel/dates.h"
#include "kernel/names.h"

namespace rowsmith {

namespace {

std::string decimal(int32_t n) {
  char buf[16];
  auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
  return std::string(buf, end);
}

// The names as a person's values give them: the first NAME line with a value,
// the last SURN and GIVN lines, completed from the NAME value.
struct RawNames {
  std::string name;
  std::string surname;
  std::string given;
};

SplitName completeNames(const RawNames& raw) { return SplitGedComName(raw.surname, raw.given, raw.name); }

// A Protestant baptism is mostly recorded as BAPM; it fills the christening
// columns of a person who has no CHR event.
constexpr FieldTag kBapm = fieldTag("BAPM");
constexpr int kEvents = 5;
constexpr int kChr = 2;
constexpr int kBapmEvent = 4;
constexpr FieldTag kEventTags[kEvents] = {tags::BIRT, tags::DEAT, tags::CHR, tags::BURI, kBapm};

}  // namespace

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
  if (!isRecord(p)) return std::nullopt;

  RawNames raw;
  std::string religion, occupation, sex;
  std::string dates[kEvents], places[kEvents];
  bool open[kEvents] = {};
  bool hasChr = false;
  int32_t eventLevel = 0;
  // SURN and GIVN below a later NAME (a married name, say) would replace the
  // birth names the columns show.
  int nameCount = 0;
  int32_t nameLevel = -1;
  bool underLaterName = false;

  RecordFields fields(db_, p);
  while (fields.next()) {
    const int32_t level = fields.level();
    const std::string_view value = fields.value();
    if (underLaterName && level <= nameLevel) underLaterName = false;
    if (fields.is(tags::NAME)) {
      if (raw.name.empty()) raw.name.assign(value);
      nameLevel = level;
      underLaterName = ++nameCount > 1;
    } else if (fields.is(tags::SURN)) {
      if (!underLaterName) raw.surname.assign(value);
    } else if (fields.is(tags::GIVN)) {
      if (!underLaterName) raw.given.assign(value);
    } else if (fields.is(tags::RELI)) {
      religion.assign(value);
    } else if (fields.is(tags::SEX)) {
      sex.assign(value);
    }
    // Lowering the event level and closing the events at level 1 are two
    // separate steps: a level-1 line ends every event whatever came before.
    if (eventLevel > level) eventLevel = level;
    if (level == 1) std::fill(std::begin(open), std::end(open), false);
    for (int e = 0; e < kEvents; ++e) {
      if (fields.is(kEventTags[e])) {
        eventLevel = level + 1;
        open[e] = true;
        if (e == kChr) hasChr = true;
      }
      if (eventLevel >= level && open[e]) {
        if (fields.is(tags::DATE)) dates[e].assign(value);
        else if (fields.is(tags::PLAC)) places[e].assign(value);
      }
    }
    if (fields.is(tags::OCCU) && level == 1) occupation.assign(value);
  }

  if (!hasChr) {
    dates[kChr] = std::move(dates[kBapmEvent]);
    places[kChr] = std::move(places[kBapmEvent]);
  }

  SplitName names = completeNames(raw);
  values[pvID] = decimal(p);
  values[pvSurname] = std::move(names.surname);
  values[pvGivenName] = std::move(names.given);
  values[pvBirthDate] = GedComDateToSortDate(dates[0]);
  values[pvBirthPlace] = std::move(places[0]);
  values[pvDeathDate] = GedComDateToSortDate(dates[1]);
  values[pvDeathPlace] = std::move(places[1]);
  values[pvReligion] = std::move(religion);
  values[pvOccupation] = std::move(occupation);
  values[pvChrDate] = GedComDateToSortDate(dates[2]);
  values[pvChrPlace] = std::move(places[2]);
  values[pvBurialDate] = GedComDateToSortDate(dates[3]);
  values[pvBurialPlace] = std::move(places[3]);
  values[pvSex] = std::move(sex);
  return values;
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
  r.Spare1 = std::move(v[pvSpare1]);
  r.Spare2 = std::move(v[pvSpare2]);
  std::string sex = ansiUpperCase(trimView(v[pvSex]));
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
