#include "export/xlsxexport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "import/importfixture.h"
#include "import/importrun.h"
#include "kernel/cp1252.h"
#include "testsupport.h"

namespace rowsmith {
namespace {

// The workbook as the Python reader sees it: "rows", "freeze", "filter",
// "width N" and cell references, each mapped to the rest of its line.
using Sheet = std::map<std::string, std::string>;

bool havePython() { return std::system("python3 -c 'import zipfile' >/dev/null 2>&1") == 0; }

Sheet readBack(const XlsxOutcome& book) {
  test::TempDir dir;
  test::writeFileBytes(dir.file("book.xlsx"), book.bytes);
  const std::string command = "python3 " + std::string(ROWSMITH_SOURCE_DIR) + "/tests/export/readxlsx.py " +
                              dir.file("book.xlsx") + " > " + dir.file("sheet.txt");
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  Sheet sheet;
  std::istringstream lines(test::readFileBytes(dir.file("sheet.txt")));
  for (std::string line; std::getline(lines, line);) {
    size_t blank = line.find(' ');
    std::string key = line.substr(0, blank);
    std::string rest = line.substr(blank + 1);
    if (key == "width") {
      size_t second = rest.find(' ');
      key += " " + rest.substr(0, second);
      rest = rest.substr(second + 1);
    }
    sheet[key] = rest;
  }
  return sheet;
}

std::string ref(int column, int row) {
  std::string name;
  for (int c = column + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  return name + std::to_string(row + 1);
}

StringTable headedTable(int dataRows) {
  StringTable table(kResultColumns);
  table.setRowCount(dataRows + 1);
  for (int c = 0; c < kResultColumns; ++c) table.setCell(c, 0, ResultHeaders()[c]);
  return table;
}

std::vector<int> allColumns() {
  std::vector<int> columns;
  for (int c = 0; c < kResultColumns; ++c) columns.push_back(c);
  return columns;
}

TEST(BuildXlsxWorkbook, GivesEachColumnItsCellType) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  struct Case {
    int column;
    std::string cell;
    std::string expected;  // kind and value as the reader prints them
  };
  const std::vector<Case> cases = {
      {0, "12", "number 12"},
      {16, "0", "number 0"},
      {38, "7", "number 7"},
      {2, "12", "text 12"},
      {5, "21.01.1950", "date 21.01.1950"},
      {5, "1.2.1950", "date 01.02.1950"},
      {7, "19500121", "date 21.01.1950"},
      {9, "1950-01-21", "date 21.01.1950"},
      {11, "29.02.2000", "date 29.02.2000"},
      {18, "01.01.1900", "date 01.01.1900"},
      {26, "29.02.1900", "text 29.02.1900"},
      {28, "21.01.1687", "text 21.01.1687"},
      {30, "ABT 1950", "text ABT 1950"},
      {32, "01.1950", "text 01.1950"},
      {5, "32.01.1950", "text 32.01.1950"},
      {6, "19500121", "text 19500121"},
      {1, "M\xFCller \x80", "text M\xC3\xBCller \xE2\x82\xAC"},
      {15, "a\r\nb", "text a\\nb"},
  };
  StringTable table = headedTable(static_cast<int>(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) table.setCell(cases[i].column, static_cast<int>(i) + 1, cases[i].cell);

  XlsxOutcome book = buildXlsxWorkbook(table, allColumns(), true);
  ASSERT_TRUE(book.ok) << book.cause;
  EXPECT_EQ(book.rows, table.rowCount());
  Sheet sheet = readBack(book);
  EXPECT_EQ(sheet["rows"], std::to_string(table.rowCount()));
  EXPECT_EQ(sheet["freeze"], "A2");
  EXPECT_EQ(sheet["filter"], "A1:AN" + std::to_string(table.rowCount()));
  EXPECT_EQ(sheet["B1"], "bold ID :");
  EXPECT_EQ(sheet["AN1"], "bold ID Mutter (Partner) :");
  for (size_t i = 0; i < cases.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    SCOPED_TRACE(cases[i].cell);
    EXPECT_EQ(sheet[ref(0, row)], "number " + std::to_string(row));
    EXPECT_EQ(sheet[ref(cases[i].column + 1, row)], cases[i].expected);
  }
  // Empty cells stay empty: one row-number and one value cell per row.
  EXPECT_EQ(sheet.size(), 3 + 40 + kResultColumns + 2 * cases.size());
}

TEST(BuildXlsxWorkbook, WritesTheChosenColumnsFittedAndCutsOverlongCells) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  StringTable table = headedTable(2);
  table.setCell(3, 1, std::string(100, 'x'));
  table.setCell(15, 1, std::string(40000, 'y'));
  table.setCell(0, 2, "1234567");
  table.setCell(15, 2, "tab\there, bell\x07");

  XlsxOutcome book = buildXlsxWorkbook(table, {3, 0, 15}, false);
  ASSERT_TRUE(book.ok) << book.cause;
  EXPECT_EQ(book.cutCells, 1);
  Sheet sheet = readBack(book);
  EXPECT_EQ(sheet["filter"], "A1:C3");
  EXPECT_EQ(sheet["A1"], "bold Nachname :");
  EXPECT_EQ(sheet["B3"], "number 1234567");
  EXPECT_EQ(sheet["C2"], "text " + std::string(32767, 'y'));
  EXPECT_EQ(sheet["C3"], "text tab\there, bell\x07");
  EXPECT_EQ(sheet["width 1"], "62");  // capped
  EXPECT_EQ(sheet["width 2"], "9");   // the header "ID :" is narrower than the number
  EXPECT_EQ(sheet.count("width 4"), 0u);
}

// Every cell of a real file comes back with its text, as a number in the ID
// columns and as a date where the table holds a full date of 1900 or later.
TEST(BuildXlsxWorkbook, RoundTripsWholeFiles) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  std::vector<std::string> files = {std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged"};
  if (std::string dir = test::gedcomTestdataDir(); !dir.empty() && test::fileExists(dir + "djeffrey/pres2020.ged"))
    files.push_back(dir + "djeffrey/pres2020.ged");
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    test::ImportOutcome run = test::importFile(file);
    const StringTable& table = run.table;
    ASSERT_GT(table.rowCount(), 1);
    XlsxOutcome book = buildXlsxWorkbook(table, allColumns(), false);
    ASSERT_TRUE(book.ok) << book.cause;
    Sheet sheet = readBack(book);
    EXPECT_EQ(sheet["rows"], std::to_string(table.rowCount()));
    std::map<std::string, int> kinds;
    for (int r = 0; r < table.rowCount(); ++r) {
      for (int c = 0; c < kResultColumns; ++c) {
        std::string cell(table.cell(c, r));
        if (cell.empty()) continue;
        const std::string& got = sheet[ref(c, r)];
        const std::string kind = got.substr(0, got.find(' '));
        ++kinds[kind];
        const int own = c >= 21 ? c - 21 : c;
        const bool id = own == 0 || own == 16 || own == 17;
        if (r > 0 && id) {
          EXPECT_EQ(got, "number " + cell) << ref(c, r);
        } else if (kind == "date") {
          EXPECT_TRUE(own == 5 || own == 7 || own == 9 || own == 11 || c == 18) << ref(c, r);
          EXPECT_EQ(got, "date " + cell) << ref(c, r);
          EXPECT_GE(cell.substr(6), "1900");
        } else {
          std::string plain;
          for (size_t i = 0; i < cell.size(); ++i)
            if (!(cell[i] == '\r' && i + 1 < cell.size() && cell[i + 1] == '\n')) plain += cell[i];
          std::string expected = cp1252ToUtf8(plain);
          for (size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2) expected.replace(at, 1, "\\n");
          EXPECT_EQ(got, (r == 0 ? "bold " : "text ") + expected) << ref(c, r);
        }
      }
    }
    EXPECT_GT(kinds["number"], 0);
    EXPECT_GT(kinds["text"], 0);
    if (files.size() > 1 && file == files[1]) {
      EXPECT_GT(kinds["date"], 0);
    }
  }
}

}  // namespace
}  // namespace rowsmith
