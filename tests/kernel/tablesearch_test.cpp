#include "kernel/tablesearch.h"

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

StringTable people() {
  return test::tableOf(3, {{"ID", "Name", "Ort"},
                           {"1", "Anna Koch", "Bonn"},
                           {"2", "Karl", "Weber"},  // "KarlWeber" only across the cell border
                           {"3", "M\xFCller", "K\xF6ln"},
                           {"4", "", "Kochel am See"}});
}

TEST(TableSearch, FilterFindsCellsCaseIgnoredButNeverAcrossTwoCells) {
  const StringTable table = people();
  const std::pair<const char*, std::vector<int>> cases[] = {
      {"koch", {1, 4}}, {"m\xDCLLER", {3}},  // umlauts fold as well
      {"lweb", {}}, {"", {1, 2, 3, 4}}, {"Name", {}},  // the header row is no data row
  };
  for (const auto& [needle, rows] : cases) EXPECT_EQ(filterRows(table, {}, TableSearch(needle)), rows) << needle;
  // Narrowing searches only the rows it is given.
  const std::vector<int> among{2, 4};
  EXPECT_EQ(filterRows(table, {}, TableSearch("koch"), among), std::vector<int>{4});
}

TEST(TableSearch, FindGoesOnInReadingOrderWrapsAndComesBackToItsStart) {
  const StringTable table = people();
  const std::vector<int> rows{1, 2, 3, 4};
  const std::vector<int> columns{2, 1};  // the shown order puts "Ort" first
  const TableSearch search("o");
  const std::tuple<ShownCell, bool, std::optional<ShownCell>> cases[] = {
      {{0, 0}, false, ShownCell{0, 1}},   // "Bonn" -> "Anna Koch"
      {{0, 1}, false, ShownCell{3, 0}},   // past "Weber" and "Köln" to "Kochel am See"
      {{3, 0}, false, ShownCell{0, 0}},   // wraps to the top
      {{0, 0}, true, ShownCell{3, 0}},    // backwards wraps to the bottom
  };
  for (const auto& [from, backward, found] : cases)
    EXPECT_EQ(findCell(table, {}, search, rows, columns, from, backward), found);
  // The only match is found again from itself; no match gives nothing.
  EXPECT_EQ(findCell(table, {}, TableSearch("bonn"), rows, columns, {0, 0}, false), (ShownCell{0, 0}));
  EXPECT_EQ(findCell(table, {}, TableSearch("xyz"), rows, columns, {0, 0}, false), std::nullopt);
}

TEST(TableSearch, DateCellsAreSearchedAsTheyAreShown) {
  StringTable table(2);
  table.setRowCount(4);
  const std::string cells[][2] = {{"Name", "Datum"},
                                  {"Anna", "18500112"},
                                  {"Karl", "ABT18500303"},  // shown "ABT03.03.1850"
                                  {"Emil", std::string("1890") + kDatePartBreak + "1895"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 2; ++c) table.setCell(c, r, cells[r][c]);
  const int dateColumn[] = {1};
  const DateCells western{dateColumn, DateForm::Western}, sortable{dateColumn, DateForm::Sortable};
  const std::tuple<const char*, std::vector<int>, std::vector<int>> cases[] = {
      {"12.01.1850", {1}, {}}, {"0112", {}, {1}}, {"1850", {1, 2}, {1, 2}}, {"t03", {2}, {}},
      {"0 / 1", {3}, {3}},     {"abt", {2}, {2}}, {"Datum", {}, {}}};
  for (const auto& [needle, inWestern, inSortable] : cases) {
    EXPECT_EQ(filterRows(table, western, TableSearch(needle)), inWestern) << needle;
    EXPECT_EQ(filterRows(table, sortable, TableSearch(needle)), inSortable) << needle;
  }
  const std::vector<int> rows{1, 2, 3}, columns{0, 1};
  EXPECT_EQ(findCell(table, western, TableSearch("03.03"), rows, columns, {0, 0}, false), (ShownCell{1, 1}));
  EXPECT_EQ(findCell(table, western, TableSearch("0303"), rows, columns, {0, 0}, false), std::nullopt);
}

}  // namespace
}  // namespace rowsmith
