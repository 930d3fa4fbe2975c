#pragma once
// One person's values as the extraction reads them from the loaded index.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "kernel/names.h"

namespace rowsmith {

// Record number, surname, given names, birth date and place, death date and
// place, religion, occupation, christening date and place, burial date and
// place, sex. Dates in the sortable form.
inline constexpr int kPersonValueCount = 14;
using PersonValues = std::array<std::string, kPersonValueCount>;

enum PersonValue : int {
  pvID = 0, pvSurname, pvGivenName, pvBirthDate, pvBirthPlace, pvDeathDate, pvDeathPlace,
  pvReligion, pvOccupation, pvChrDate, pvChrPlace, pvBurialDate, pvBurialPlace, pvSex
};

struct TPersRec {
  std::string ID;
  std::string Surname;
  std::string GivenName;
  std::string BirthDate;
  std::string BirthPlace;
  std::string DeathDate;
  std::string DeathPlace;
  std::string Religion;
  std::string Occupation;
  std::string ChrDate;
  std::string ChrPlace;
  std::string BurialDate;
  std::string BurialPlace;
  uint8_t Sex = 0;  // 0 unknown, 1 male, 2 female
};

// A person's values as one walk of the record finds them, before names are
// completed and dates converted: the first NAME value, the last SURN, GIVN and
// SPFX directly below the first NAME, the level-1 RELI and OCCU, the date and
// place of birth, death, christening (a baptism where there is none) and
// burial, each pair from one event. The views point into the index, or into
// folded where the file continued a value over CONC lines; reused from
// person to person.
struct PersonFields {
  enum Event : int { kBirth, kDeath, kChristening, kBurial, kEvents = 5 };
  static constexpr int kFoldedSlots = 7 + 4 * kEvents;
  std::string_view name, surname, given, prefix, religion, occupation, sex;
  std::string_view dates[kEvents], places[kEvents];
  std::string folded[kFoldedSlots];
};

// Surname and given names, completed from the NAME value, the surname
// prefix in front.
SplitName personNames(const PersonFields& raw);

}  // namespace rowsmith
