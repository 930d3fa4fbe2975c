#pragma once
// A family's marriage data as the row assembly shows it.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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
// The same cells one after the other after text, each cell's end offset into
// ends, from the items in GetMarriageData's form (lines ending CR LF).
void appendMarriageCells(std::string& text, std::span<uint32_t, 3> ends,
                         const std::array<std::string_view, 5>& items, bool westernDates);
// text with its line breaks made CR LF, after out.
void appendCrlfLines(std::string& out, std::string_view text);

}  // namespace rowsmith
