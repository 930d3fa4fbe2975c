#pragma once
// The result table as a spreadsheet workbook (.xlsx): one sheet, a bold
// frozen header row with an autofilter, widths fitted to the content, record
// numbers as numbers, full dates as date cells and all text as UTF-8.
#include <cstdint>
#include <string>
#include <vector>

#include "kernel/datecells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

struct XlsxOutcome {
  bool ok = false;
  std::string cause;       // why it failed, for the user
  std::string bytes;       // the workbook file when ok
  int32_t rows = 0;        // sheet rows written, the header row included
  int32_t cutCells = 0;    // cells cut to the length a spreadsheet cell holds
  int32_t replacedChars = 0;  // U+FFFE and U+FFFF, which XML forbids, written as U+FFFD
};

// Writes into the file at path, replacing what it holds: meant for an
// AtomicFile's temporary file, so that a failure or an interrupt leaves no
// partial workbook. The chosen result columns in the given order, after a
// row-number column when rowNumbers is set, as in the delimited export. The
// table holds UTF-8 text; its date cells go out as dates shows them, a whole
// date as a date of the sheet. bytes stays empty.
XlsxOutcome writeXlsxWorkbook(const std::string& path, const StringTable& result, const DateCells& dates,
                              const std::vector<int>& columnOrder, bool rowNumbers);
// The same from an export table (column 0 the row numbers) whose column c
// shows result column resultColumns[c]; exported[c] tells which are written.
XlsxOutcome writeXlsxWorkbookOfExportTable(const std::string& path, const StringTable& exportTable,
                                           const std::vector<bool>& exported, const std::vector<int>& resultColumns);
// The workbook's bytes, for a target that is written straight into (standard
// output): made in a fresh file of the temporary folder that is removed
// before returning, and on an interrupt, for which it takes over the
// process's one registration (the caller must hold none).
XlsxOutcome buildXlsxWorkbook(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder,
                              bool rowNumbers);

}  // namespace rowsmith
