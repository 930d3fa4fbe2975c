#include "export/rangetext.h"

#include <gtest/gtest.h>

namespace rowsmith {
namespace {

TEST(RangeText, CellsWithTabsBreaksOrQuotesStayOneCellForASpreadsheet) {
  StringTable table(3);
  table.setRowCount(3);
  table.setCell(0, 1, "Anna");
  table.setCell(1, 1, "eins\r\nzwei");
  table.setCell(2, 1, "a\tb");
  table.setCell(0, 2, "\"Hans\"");
  table.setCell(2, 2, "x\ry");
  const int rows[] = {1, 2};
  const int columns[] = {2, 0, 1};
  EXPECT_EQ(rangeText(table, {}, rows, columns),
            "\"a\tb\"\tAnna\t\"eins\nzwei\"\n"
            "\"x\ny\"\t\"\"\"Hans\"\"\"\t\n");
}

}  // namespace
}  // namespace rowsmith
