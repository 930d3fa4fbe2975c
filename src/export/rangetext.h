#pragma once
// A block of cells as tab-separated lines, the form spreadsheets paste into
// cells: one line per row, a tab between cells. A cell holding a tab, a line
// break or a double quote is enclosed in double quotes with its quotes
// doubled, so it stays one cell; its line breaks become LF.
#include <span>
#include <string>

#include "kernel/datecells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

// Date cells as dates shows them.
std::string rangeText(const StringTable& table, const DateCells& dates, std::span<const int> rows,
                      std::span<const int> columns);

}  // namespace rowsmith
