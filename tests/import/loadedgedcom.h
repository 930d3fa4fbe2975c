#pragma once
// Test fixture: a GEDCOM text read and loaded into an index, the rows the
// assembly makes of it, and whole import runs.
#include <string>
#include <string_view>
#include <vector>

#include "import/extractor.h"
#include "import/gedcomreader.h"
#include "import/importrun.h"
#include "import/gedcomindex.h"
#include "import/rows.h"
#include "support/testsupport.h"

namespace rowsmith::test {

// Lines are given with "\n"; the file gets CR LF.
inline std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class LoadedGedcom {
 public:
  explicit LoadedGedcom(std::string_view text) {
    const std::string file = dir_.file("input.ged");
    writeFileBytes(file, crlf(text));
    readGedcom(file, db_);
    LoadIndex(db_);
  }
  const GedcomIndex& db() const { return db_; }
  // Record number of the block with this cross-reference.
  int32_t id(std::string_view xref) const { return FindBlock(db_, xref); }

 private:
  TempDir dir_;
  GedcomIndex db_;
};

// A whole import run of a file.
struct ImportOutcome {
  int32_t counter = 0;
  StringTable table{kResultColumns};
  std::vector<std::string> messages;
};

// Each date cell of a result table in its shown form, as the grid and the
// export show it.
inline void showDates(StringTable& table, bool western) {
  const DateCells dates = resultDateCells(western ? DateForm::Western : DateForm::Sortable);
  std::string scratch;
  for (int r = 1; r < table.rowCount(); ++r)
    for (int c : dates.columns) table.setCell(c, r, std::string(dates.shown(table, c, r, scratch)));
}

inline ImportOutcome importFile(const std::string& file, bool western = true) {
  ImportOutcome out;
  CapturedMessages captured;
  const ::rowsmith::ImportOutcome run = importGedcom(file, out.table, captured);
  showDates(out.table, western);
  if (run.imported()) captured.showMessage(importedMessage(run.persons));
  out.counter = run.counter;
  out.messages = captured.messages;
  return out;
}

// The data rows (without the header) of a whole assembly.
inline Rows assembleRows(const GedcomIndex& db, bool western = true) {
  Extractor extractor(db);
  StringTable table(39);
  table.setRowCount(1);
  RowAssembly rows(extractor, table);
  std::vector<int32_t> persons = extractor.GetPersonList();
  rows.prepare(persons);
  for (int32_t p : persons) rows.AddPersonRows(p);
  table.setRowCount(rows.currentRow());
  showDates(table, western);
  return dataRows(table);
}

// A row in short: "left ID | marriage date | right ID".
inline std::string pairOf(const std::vector<std::string>& row) { return row[0] + "|" + row[18] + "|" + row[21]; }

inline std::vector<std::string> pairsOf(const Rows& rows) {
  std::vector<std::string> out;
  for (const auto& row : rows) out.push_back(pairOf(row));
  return out;
}

}  // namespace rowsmith::test
