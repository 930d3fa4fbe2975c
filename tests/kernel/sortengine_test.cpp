#include "kernel/sortengine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace rowsmith {
namespace {

using Cells = std::vector<std::string>;

// A table of a header row ("H0", "H1", ...) and the given data rows.
StringTable makeTable(const std::vector<Cells>& rows, int columns) {
  StringTable table(columns);
  table.setRowCount(static_cast<int>(rows.size()) + 1);
  for (int c = 0; c < columns; ++c) table.setCell(c, 0, "H" + std::to_string(c));
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) table.setCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
  return table;
}

Cells columnOf(const StringTable& table, int column) {
  Cells cells;
  for (int r = 1; r < table.rowCount(); ++r) cells.emplace_back(table.cell(column, r));
  return cells;
}

TEST(SortNumber, FollowsTheNumberGrammar) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const std::pair<const char*, long double> numbers[] = {
      {"12", 12}, {"-3.5", -3.5L}, {"2E3", 2000}, {"  7", 7}, {"+4", 4}, {"5.", 5}, {".25", 0.25L},
      {"1e-2", 0.01L}, {"3E+2", 300}, {"1e99999", inf}, {"-1e99999", -inf}, {"1e-99999", 0}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(readSortNumber(text), value) << text;
  for (const char* text : {"", " ", "12 ", "12a", "1.234.5", "-", "+", ".", "1E", "1E+", "0x10", "inf",
                           "nan", "1,5", "- 1"})
    EXPECT_FALSE(readSortNumber(text).has_value()) << '"' << text << '"';
}

TEST(SortDate, ReadsDayMonthYearWithOptionalTime) {
  for (const char* text : {"1.2.1850", " 01.02.1850 ", "29.02.2000", "31.12.9999", "01.01.0001",
                           "21.01.1687  9:05:07", "21.01.1687 23:59:59.999"})
    EXPECT_TRUE(readSortDate(text).has_value()) << text;
  for (const char* text : {"", "1850", "18501231", "ABT 01.01.1850", "29.02.1900", "32.01.1850", "00.01.1850",
                           "01.13.1850", "01.01.0000", "01.01.18500", "01.01.85", "01-01-1850", "21.01.1687x",
                           "21.01.168710:30", "21.01.1687 24:00", "21.01.1687 10", "01.02.1850 / 03.04.1851"})
    EXPECT_FALSE(readSortDate(text).has_value()) << text;
  EXPECT_LT(*readSortDate("28.02.1900"), *readSortDate("01.03.1900"));
  EXPECT_LT(*readSortDate("01.01.1850 23:59"), *readSortDate("02.01.1850"));
  EXPECT_LT(*readSortDate("01.01.1850"), *readSortDate("01.01.1850 00:00:00.001"));
  EXPECT_EQ(*readSortDate("2.3.1850 00:00"), *readSortDate("02.03.1850"));
}

TEST(SortGridRows, ChoosesNumberDateOrTextPerColumn) {
  const std::pair<Cells, Cells> cases[] = {
      // A comma reads as the decimal point.
      {{"10", "9", "-1", "1,5", "2E0"}, {"-1", "1,5", "2E0", "9", "10"}},
      // One empty cell makes the whole column text.
      {{"10", "9", "", "100"}, {"", "10", "100", "9"}},
      {{"02.01.1900", "01.02.1850", "31.12.1849"}, {"31.12.1849", "01.02.1850", "02.01.1900"}},
      {{"02.01.1900", "01.02.1850", "1849"}, {"01.02.1850", "02.01.1900", "1849"}},
      {{"19000102", "18500201", "1849"}, {"1849", "18500201", "19000102"}},
      // Text ignores case; umlauts (Windows-1252) come after Z.
      {{"\xC4rger", "zander", "Adam", "bert"}, {"Adam", "bert", "zander", "\xC4rger"}},
      {{"\xE4rger", "Zander"}, {"Zander", "\xE4rger"}},
  };
  const int keys[] = {0};
  for (const auto& [cells, ascending] : cases) {
    std::vector<Cells> rows;
    for (const auto& cell : cells) rows.push_back({cell});
    for (bool descending : {false, true}) {
      StringTable table = makeTable(rows, 1);
      SortGridRows(table, 1, table.rowCount() - 1, descending, keys);
      EXPECT_EQ(columnOf(table, 0), descending ? Cells(ascending.rbegin(), ascending.rend()) : ascending);
    }
  }
}

TEST(SortGridRows, EmptyLastRowDoesNotDecideTheColumnKind) {
  StringTable table = makeTable({{"10", "x"}, {"9", "y"}, {"", ""}}, 2);
  EXPECT_TRUE(IsNumericColumn(table, 0));
  table.setCell(1, 3, "z");
  EXPECT_FALSE(IsNumericColumn(table, 0));
  StringTable dates = makeTable({{"01.01.1850"}, {"01.01.1850,10:00"}, {""}}, 1);
  EXPECT_TRUE(IsDateColumn(dates, 0));
  EXPECT_FALSE(IsNumericColumn(dates, 0));
}

TEST(SortGridRows, LaterKeysBreakTiesRowsMoveWholeAndOnlyTheRangeMoves) {
  StringTable table = makeTable({{"b", "2", "r1"}, {"a", "2", "r2"}, {"b", "1", "r3"}, {"a", "1", "r4"}}, 3);
  const int keys[] = {1, 0};
  SortGridRows(table, 1, 4, false, keys);
  EXPECT_EQ(columnOf(table, 2), (Cells{"r4", "r3", "r2", "r1"}));
  SortGridRows(table, 2, 99, true, keys);  // a range past the end is cut
  EXPECT_EQ(columnOf(table, 2), (Cells{"r4", "r1", "r2", "r3"}));
  EXPECT_EQ(table.cell(0, 0), "H0");
}

TEST(SortGridRows, PrecomputedOrderAgreesWithCompareGridRows) {
  std::mt19937 random(7);
  const char* words[] = {"m\xFCller", "M\xDCLLER", "Zorn", "\xC4" "ber", "abel", "", "abel ", "1850"};
  const char* dates[] = {"01.01.1850", "1.1.1850", "31.12.1849", "15.06.1900 10:00", "29.02.1904"};
  std::vector<Cells> rows;
  for (int r = 0; r < 500; ++r)
    rows.push_back({words[random() % 8], std::to_string(static_cast<int>(random() % 50) - 25) + ",5",
                    dates[random() % 5], std::to_string(r)});
  StringTable table = makeTable(rows, 4);
  const int keyColumns[] = {0, 2, 1};
  for (bool descending : {false, true}) {
    SortGridRows(table, 1, table.rowCount() - 1, descending, keyColumns);
    auto keys = classifySortKeys(table, keyColumns);
    ASSERT_TRUE(!keys[0].numeric && !keys[0].date && keys[1].date && keys[2].numeric);
    for (int r = 1; r + 1 < table.rowCount(); ++r) {
      int order = CompareGridRows(table, r, r + 1, keys);
      EXPECT_TRUE(descending ? order >= 0 : order <= 0) << "rows " << r;
    }
  }
}

TEST(SortGridRows, UnreadableDateInADateColumnLosesNoRow) {
  // The empty last row is left out of the column test, then equals every
  // date while the dates differ: the comparison contradicts itself.
  std::vector<Cells> rows;
  Cells expected{""};
  std::mt19937 random(3);
  for (int r = 0; r < 2000; ++r) {
    rows.push_back({std::to_string(1 + random() % 28) + ".0" + std::to_string(1 + random() % 9) + ".1850",
                    std::to_string(r)});
    expected.push_back(std::to_string(r));
  }
  rows.push_back({"", ""});
  StringTable table = makeTable(rows, 2);
  ASSERT_TRUE(IsDateColumn(table, 0));
  const int keys[] = {0};
  SortGridRows(table, 1, table.rowCount() - 1, false, keys);
  Cells ids = columnOf(table, 1);
  std::sort(ids.begin(), ids.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ids, expected);
}

TEST(BoundedQuickSort, HostileComparatorNeverLeavesTheRange) {
  constexpr int kSentinel = -1;  // around the range; must never reach the comparator
  for (int answerMode = 0; answerMode < 4; ++answerMode) {
    for (int size : {2, 3, 10, 1000}) {
      std::vector<int> storage(static_cast<size_t>(size) + 2, kSentinel);
      for (int k = 0; k < size; ++k) storage[static_cast<size_t>(k) + 1] = k;
      std::mt19937 random(static_cast<unsigned>(size * 10 + answerMode));
      bool sawSentinel = false;
      auto before = [&](int a, int b) {
        sawSentinel |= a == kSentinel || b == kSentinel;
        switch (answerMode) {
          case 0: return true;
          case 1: return (random() & 1) != 0;
          case 2: return a != b;
          default: return a % 3 < b % 3 || a == b;
        }
      };
      boundedQuickSort(std::span<int>(storage).subspan(1, static_cast<size_t>(size)), before);
      EXPECT_FALSE(sawSentinel) << answerMode << " " << size;
      EXPECT_TRUE(storage.front() == kSentinel && storage.back() == kSentinel);
      std::sort(storage.begin() + 1, storage.end() - 1);
      for (int k = 0; k < size; ++k) EXPECT_EQ(storage[static_cast<size_t>(k) + 1], k);
    }
  }
}

TEST(BoundedQuickSort, SortedAndEqualInputsKeepTheStackShallow) {
  for (int pattern = 0; pattern < 3; ++pattern) {
    std::vector<int> values(1 << 20);
    for (size_t k = 0; k < values.size(); ++k)
      values[k] = pattern == 0 ? static_cast<int>(k) : pattern == 1 ? 5 : static_cast<int>(k % 2);
    boundedQuickSort(std::span<int>(values), [](int a, int b) { return a < b; });
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
  }
}

TEST(SortTableKeepingRow, FindsTheSelectedContentAfterTheSort) {
  StringTable table = makeTable({{"c", "1"}, {"a", "2"}, {"b", "3"}}, 2);
  const int keys[] = {0};
  EXPECT_EQ(SortTableKeepingRow(table, keys, false, 1), 3);
  EXPECT_EQ(SortTableKeepingRow(table, keys, true, 3), 1);
  // Content is compared as one concatenated text: duplicates give the first.
  StringTable twins = makeTable({{"b", "x"}, {"a", "bc"}, {"ab", "c"}}, 2);
  EXPECT_EQ(SortTableKeepingRow(twins, keys, false, 3), 1);
  // A row out of range matches nothing: the last row.
  EXPECT_EQ(SortTableKeepingRow(table, keys, false, 99), 3);
}

}  // namespace
}  // namespace rowsmith
