#pragma once
// GEDCOM dates to the stored sortable form and back to the display form.
#include <string>
#include <string_view>

namespace rowsmith {

// The sortable form: prefix + YYYYMMDD, YYYYMM or YYYY; a date that is no
// plain date (a dual year, a range, a year of five digits) as written.
std::string GedComDateToSortDate(std::string_view dateText);
// 1..12 for a month name the reader knows (JAN..DEC, MRZ, MAI, OKT, DEZ, any
// letter case), else 0.
int monthNumber(std::string_view word);
// 18501231 -> 31.12.1850; salvages a prefix; text with letters unchanged.
std::string SortDateToDisplay(std::string_view text);
// western=false gives the sortable date unchanged.
std::string DateForDisplay(std::string_view sortDate, bool western);
// The display form of a GEDCOM date (its sortable form trimmed, then shown)
// after out; the common shapes without a string in between.
void appendDisplayDate(std::string& out, std::string_view dateText, bool western);

}  // namespace rowsmith
