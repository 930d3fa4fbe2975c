#include "kernel/stringtable.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace rowsmith {
namespace {

std::vector<std::string> rowOf(const StringTable& t, int row) {
  std::vector<std::string> cells;
  for (int c = 0; c < t.columnCount(); ++c) cells.emplace_back(t.cell(c, row));
  return cells;
}

TEST(StringTable, CellsOfARowStayApartWhateverIsWrittenWhere) {
  StringTable t(3);
  t.setCell(2, 1, "c");  // grows the table to two rows
  t.setCell(0, 1, "a");
  t.setCell(1, 1, "bbb");
  t.setCell(1, 1, "");   // shrinking a middle cell moves the later ones back
  t.setCell(0, 1, "aa");
  EXPECT_EQ(rowOf(t, 1), (std::vector<std::string>{"aa", "", "c"}));
  EXPECT_EQ(rowOf(t, 0), (std::vector<std::string>{"", "", ""}));

  const std::vector<std::string> cells{"x", "y"};
  t.setRow(3, cells);  // missing cells are empty
  EXPECT_EQ(t.rowCount(), 4);
  EXPECT_EQ(rowOf(t, 3), (std::vector<std::string>{"x", "y", ""}));

  t.setRowCount(2);
  t.setRowCount(3);  // rows come back empty
  EXPECT_EQ(rowOf(t, 2), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(rowOf(t, 1), (std::vector<std::string>{"aa", "", "c"}));

  // Outside the table: nothing read, nothing written.
  EXPECT_EQ(t.cell(0, 9), "");
  t.setCell(-1, 0, "z");
  t.setCell(3, 0, "z");
  EXPECT_EQ(rowOf(t, 0), (std::vector<std::string>{"", "", ""}));
}

TEST(StringTable, ARowFromTextAndCellEndsTakesOnlyWhatTheEndsCover) {
  StringTable t(3);
  const uint32_t ends[] = {1, 1};
  t.setRow(1, "ab-rest", ends);  // the third cell is empty
  EXPECT_EQ(rowOf(t, 1), (std::vector<std::string>{"a", "", ""}));
  EXPECT_EQ(t.rowText(1), "a");
  const uint32_t backwards[] = {2, 1, 3};
  EXPECT_THROW(t.setRow(1, "abc", backwards), std::invalid_argument);
  const uint32_t beyond[] = {1, 2, 9};
  EXPECT_THROW(t.setRow(1, "abc", beyond), std::invalid_argument);
  EXPECT_EQ(rowOf(t, 1), (std::vector<std::string>{"a", "", ""}));
}

}  // namespace
}  // namespace rowsmith
