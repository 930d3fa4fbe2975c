#pragma once
// GEDCOM dates to the stored sortable form, and that to the western form.
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
// The sortable form of a GEDCOM date, trimmed, after out; the common shapes
// without a string in between.
void appendSortDate(std::string& out, std::string_view dateText);

}  // namespace rowsmith
