#include "kernel/datecells.h"

#include <algorithm>

#include "kernel/dates.h"

namespace rowsmith {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One stored date in the western form; the eight digits of a whole date,
// by far the most common cell, without building a string.
void appendWesternDate(std::string& out, std::string_view date) {
  if (date.size() == 8 && std::all_of(date.begin(), date.end(), isDigit)) {
    out.append(date.substr(6, 2)).append(1, '.').append(date.substr(4, 2)).append(1, '.').append(date.substr(0, 4));
    return;
  }
  if (date.size() == 4 && std::all_of(date.begin(), date.end(), isDigit)) {
    out += date;
    return;
  }
  out += SortDateToDisplay(date);
}

}  // namespace

void appendShownDate(std::string& out, std::string_view stored, DateForm form) {
  for (size_t start = 0;;) {
    const size_t end = std::min(stored.find(kDatePartBreak, start), stored.size());
    const std::string_view date = stored.substr(start, end - start);
    if (form == DateForm::Western) appendWesternDate(out, date);
    else out += date;
    if (end == stored.size()) return;
    out += kShownDatePartBreak;
    start = end + 1;
  }
}

std::string_view shownDate(std::string_view stored, DateForm form, std::string& scratch) {
  if (stored.empty() || (form == DateForm::Sortable && stored.find(kDatePartBreak) == std::string_view::npos))
    return stored;
  scratch.clear();
  appendShownDate(scratch, stored, form);
  return scratch;
}

bool DateCells::holdsDates(int column) const {
  return std::find(columns.begin(), columns.end(), column) != columns.end();
}

std::string_view DateCells::shown(const StringTable& table, int column, int row, std::string& scratch) const {
  const std::string_view stored = table.cell(column, row);
  return row == 0 || !holdsDates(column) ? stored : shownDate(stored, form, scratch);
}

}  // namespace rowsmith
