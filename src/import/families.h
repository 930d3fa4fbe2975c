#pragma once
// A family's marriage data as the row assembly shows it.
#include <array>
#include <string>

namespace rowsmith {

// First marriage date, first place, second date, second place, notes.
using MarriageItems = std::array<std::string, 5>;

struct TFamDataRec {
  std::string ID;
  std::string FirstDate;
  std::string SecondDate;
  std::string FirstPlace;
  std::string SecondPlace;
  std::string Notes;  // every line ends with CR LF
  std::string Spare1;
  std::string Spare2;
};

// The three marriage cells of a row ("Heiratsdatum :", "Heiratsort :",
// "Heiratsbemerkung :"). The second place is shown only with a second date.
std::array<std::string, 3> marriageCells(const TFamDataRec& data, bool westernDates);

}  // namespace rowsmith
