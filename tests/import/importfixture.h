#pragma once
// A whole import run of a file or of raw bytes.
#include <string>
#include <vector>

#include "import/importrun.h"
#include "support/testsupport.h"

namespace rowsmith::test {

struct ImportOutcome {
  int32_t counter = 0;
  StringTable table{kResultColumns};
  std::vector<std::string> messages;
};

inline ImportOutcome importFile(const std::string& file, bool western = true) {
  ImportOutcome out;
  CapturedMessages captured;
  out.counter = ImportGedcom(file, western, out.table);
  out.messages = captured.messages;
  return out;
}

// The bytes are written as they are (no line-end conversion).
inline ImportOutcome importBytes(std::string_view bytes, bool western = true) {
  TempDir dir;
  writeFileBytes(dir.file("input.ged"), bytes);
  return importFile(dir.file("input.ged"), western);
}

// Each data row in short: "left ID | marriage date | right ID".
inline std::vector<std::string> shortRows(const StringTable& table) {
  std::vector<std::string> rows;
  for (int r = 1; r < table.rowCount(); ++r)
    rows.push_back(std::string(table.cell(0, r)) + "|" + std::string(table.cell(18, r)) + "|" +
                   std::string(table.cell(21, r)));
  return rows;
}

}  // namespace rowsmith::test
