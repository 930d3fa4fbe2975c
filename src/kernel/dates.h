#pragma once
// GEDCOM dates to the stored sortable form and back to the display form.
#include <string>
#include <string_view>

namespace rowsmith {

std::string GedComDateToSortDate(std::string_view dateText);
// 18501231 -> 31.12.1850; salvages a prefix; text with letters unchanged.
std::string SortDateToDisplay(std::string_view text);
// western=false gives the sortable date unchanged.
std::string DateForDisplay(std::string_view sortDate, bool western);

}  // namespace rowsmith
