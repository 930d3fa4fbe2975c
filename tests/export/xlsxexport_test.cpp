#include "export/xlsxexport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "import/importrun.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

// The workbook as tests/export/readxlsx.py prints it: the first word of each
// line ("rows", "freeze", "filter", "width:N" or a cell reference) mapped to
// the rest.
using Sheet = std::map<std::string, std::string>;

bool havePython() { return std::system("python3 -c 'import zipfile' >/dev/null 2>&1") == 0; }

Sheet readBackFile(const test::TempDir& dir) {
  const std::string command = "python3 " + std::string(ROWSMITH_SOURCE_DIR) + "/tests/export/readxlsx.py " +
                              dir.file("book.xlsx") + " > " + dir.file("sheet.txt");
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  Sheet sheet;
  std::istringstream lines(test::readFileBytes(dir.file("sheet.txt")));
  for (std::string line; std::getline(lines, line);) {
    const size_t blank = line.find(' ');
    sheet[line.substr(0, blank)] = line.substr(blank + 1);
  }
  return sheet;
}

Sheet readBack(const XlsxOutcome& book) {
  test::TempDir dir;
  test::writeFileBytes(dir.file("book.xlsx"), book.bytes);
  return readBackFile(dir);
}

std::string ref(int column, int row) {
  std::string name;
  for (int c = column + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  return name + std::to_string(row + 1);
}

std::vector<int> allColumns() {
  std::vector<int> columns(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) columns[static_cast<size_t>(c)] = c;
  return columns;
}

StringTable headedTable(int dataRows) {
  StringTable table(kResultColumns);
  table.setRowCount(dataRows + 1);
  for (int c = 0; c < kResultColumns; ++c) table.setCell(c, 0, resultColumns()[static_cast<size_t>(c)].header);
  return table;
}

TEST(BuildXlsxWorkbook, GivesEachColumnItsCellType) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  struct Case {
    int column;
    std::string cell;
    std::string expected;  // kind and value as the reader prints them
  };
  const std::vector<Case> cases = {
      {0, "12", "number 12"},          {16, "0", "number 0"},
      {38, "7", "number 7"},           {2, "12", "text 12"},
      {5, "21.01.1950", "date 21.01.1950"}, {5, "1.2.1950", "date 01.02.1950"},
      {7, "19500121", "date 21.01.1950"},   {9, "1950-01-21", "date 21.01.1950"},
      {11, "29.02.2000", "date 29.02.2000"}, {18, "01.03.1900", "date 01.03.1900"},
      {18, "01.01.1900", "text 01.01.1900"}, {18, "28.02.1900", "text 28.02.1900"},
      {26, "29.02.1900", "text 29.02.1900"}, {28, "31.12.1899", "text 31.12.1899"},
      {30, "21.01.1950", "date 21.01.1950"},     {32, "01.1950", "text 01.1950"},
      {5, "32.01.1950", "text 32.01.1950"},  {6, "19500121", "text 19500121"},
      {1, "Müller € Łódź", "text Müller € Łódź"}, {15, "a\r\nb", "text a\\nb"},
  };
  StringTable table = headedTable(static_cast<int>(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) table.setCell(cases[i].column, static_cast<int>(i) + 1, cases[i].cell);

  XlsxOutcome book = buildXlsxWorkbook(table, {}, allColumns(), true);
  ASSERT_TRUE(book.ok) << book.cause;
  Sheet sheet = readBack(book);
  EXPECT_EQ(sheet["rows"], std::to_string(table.rowCount()));
  EXPECT_EQ(sheet["filter"], "A1:AN" + std::to_string(table.rowCount()));
  EXPECT_EQ(sheet["AN1"], "bold ID Mutter (Partner) :");
  for (size_t i = 0; i < cases.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    SCOPED_TRACE(cases[i].cell);
    EXPECT_EQ(sheet[ref(0, row)], "number " + std::to_string(row));
    EXPECT_EQ(sheet[ref(cases[i].column + 1, row)], cases[i].expected);
  }
  // Empty cells stay empty: besides the header, one row number and one value per row.
  EXPECT_EQ(sheet.size(), 3 + 40 + kResultColumns + 2 * cases.size());
}

TEST(BuildXlsxWorkbook, WritesTheChosenColumnsFittedAndCutsOverlongCells) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  StringTable table = headedTable(2);
  table.setCell(3, 1, std::string(100, 'x'));
  table.setCell(15, 1, std::string(40000, 'y'));
  table.setCell(0, 2, "1234567");
  table.setCell(15, 2, "tab\there, bell\x07");
  XlsxOutcome book = buildXlsxWorkbook(table, {}, {3, 0, 15}, false);
  ASSERT_TRUE(book.ok) << book.cause;
  EXPECT_EQ(book.cutCells, 1);
  // Widths: capped, and the number wider than its header "ID :".
  const Sheet expected = {{"rows", "3"}, {"freeze", "A2"}, {"filter", "A1:C3"},
                          {"width:1", "62"}, {"width:2", "9"}, {"width:3", "62"},
                          {"A1", "bold Nachname :"}, {"B1", "bold ID :"}, {"C1", "bold Bemerkungen :"},
                          {"A2", "text " + std::string(100, 'x')}, {"C2", "text " + std::string(32767, 'y')},
                          {"B3", "number 1234567"}, {"C3", "text tab\there, bell\x07"}};
  EXPECT_EQ(readBack(book), expected);
}

// XML forbids U+FFFE and U+FFFF: one of them made a spreadsheet drop the
// rest of the sheet. A text in the form of an escaped character shows as
// written instead of as the character.
TEST(BuildXlsxWorkbook, WritesOnlyCharactersXmlAllowsAndEscapesEscapeLikeText) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  StringTable table = headedTable(2);
  table.setCell(1, 1, "a\xEF\xBF\xBE b\xEF\xBF\xBF \xEF\xBF\xBD");
  table.setCell(15, 1, "_x000D_ _x00e9_ _x12G4_ __x0041__ x000D_");
  table.setCell(1, 2, "after");
  XlsxOutcome book = buildXlsxWorkbook(table, {}, {1, 15}, false);
  ASSERT_TRUE(book.ok) << book.cause;
  EXPECT_EQ(book.replacedChars, 2);
  const Sheet sheet = readBack(book);
  EXPECT_EQ(sheet.count("A2") ? sheet.at("A2") : "", "text a\xEF\xBF\xBD b\xEF\xBF\xBD \xEF\xBF\xBD");
  EXPECT_EQ(sheet.count("B2") ? sheet.at("B2") : "", "text _x000D_ _x00e9_ _x12G4_ __x0041__ x000D_");
  EXPECT_EQ(sheet.count("A3") ? sheet.at("A3") : "", "text after");
}

// An export table in the order the grid shows: kinds follow the result
// column each one shows, whatever its place.
TEST(BuildXlsxWorkbook, AnExportTableKeepsTheKindsOfItsResultColumns) {
  if (!havePython()) GTEST_SKIP() << "python3 is needed to read the workbook back";
  StringTable table(3);
  table.setRowCount(2);
  table.setCell(1, 0, "Geburtsdatum :");
  table.setCell(2, 0, "ID :");
  const std::vector<std::string> row{"1", "21.01.1950", "7"};
  table.setRow(1, row);
  test::TempDir dir;
  ASSERT_TRUE(writeXlsxWorkbookOfExportTable(dir.file("book.xlsx"), table, {true, true, true}, {-1, 5, 0}).ok);
  const Sheet sheet = readBackFile(dir);
  EXPECT_EQ(sheet.at("A2") + "|" + sheet.at("B2") + "|" + sheet.at("C2"), "number 1|date 21.01.1950|number 7");
}

}  // namespace
}  // namespace rowsmith
