#pragma once
// Date cells of a table hold the sortable form of their dates, stored once;
// the form the user chose is made when a cell is shown or exported, so
// switching the form needs no new import.
#include <span>
#include <string>
#include <string_view>

#include "kernel/stringtable.h"

namespace rowsmith {

enum class DateForm {
  Western,   // 21.01.1687
  Sortable,  // 16870121
};

// Parts the dates of one cell (a couple married twice). No UTF-8 text holds
// this byte, so it can never be mistaken for a date's own " / ".
inline constexpr char kDatePartBreak = '\xFF';
// What stands between the dates of one cell when it is shown.
inline constexpr std::string_view kShownDatePartBreak = " / ";

// The stored date cell in the given form, after out.
void appendShownDate(std::string& out, std::string_view stored, DateForm form);
// The same as a view: of stored where the form is the stored one, else of
// scratch, where it is made.
std::string_view shownDate(std::string_view stored, DateForm form, std::string& scratch);

// Which columns of a table hold dates and how they are shown. Without
// columns every cell shows as it is stored.
struct DateCells {
  std::span<const int> columns;
  DateForm form = DateForm::Western;

  bool holdsDates(int column) const;
  // The cell as shown: a date cell made in scratch (and viewed there), any
  // other cell viewed where it is stored.
  std::string_view shown(const StringTable& table, int column, int row, std::string& scratch) const;
};

}  // namespace rowsmith
