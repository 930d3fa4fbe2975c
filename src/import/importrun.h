#pragma once
// One import run: GEDCOM file -> index -> rows of the result table.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "kernel/stringtable.h"

namespace rowsmith {

inline constexpr int kResultColumns = 39;
// The 39 header texts of row 0 ("ID :" ... "ID Mutter (Partner) :").
const char* const* ResultHeaders();
// The headers of the date columns, which always sort by date.
std::span<const std::string_view> ResultDateHeaders();
// A table of 39 columns holding just the header row and one empty data row,
// as the main window shows it at start-up.
StringTable makeResultTable();

// Clears the table to the header row, reads the file, fills the rows and
// reports "N Personen importiert!" through userMessages(). Returns the
// reader's line counter. The index files are erased at the end of every run.
int32_t ImportGedcom(const std::string& fileName, bool westernDates, StringTable& table);

}  // namespace rowsmith
