#include "export/rangetext.h"

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

TEST(RangeText, CellsWithTabsBreaksOrQuotesStayOneCellForASpreadsheet) {
  const StringTable table = test::tableOf(3, {{}, {"Anna", "eins\r\nzwei", "a\tb"}, {"\"Hans\"", "", "x\ry"}});
  const int rows[] = {1, 2};
  const int columns[] = {2, 0, 1};
  EXPECT_EQ(rangeText(table, {}, rows, columns),
            "\"a\tb\"\tAnna\t\"eins\nzwei\"\n"
            "\"x\ny\"\t\"\"\"Hans\"\"\"\t\n");
}

}  // namespace
}  // namespace rowsmith
