#include "kernel/sortengine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kernel/dates.h"

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
      {"-3.5", -3.5L}, {"  7", 7}, {"+4", 4}, {"5.", 5}, {".25", 0.25L}, {"25e-2", 0.25L}, {"-1e99999", -inf}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(readSortNumber(text), value) << text;
  for (const char* text : {"", "12 ", "12a", "1.234.5", ".", "1E+", "0x10", "inf", "1,5", "- 1"})
    EXPECT_FALSE(readSortNumber(text).has_value()) << '"' << text << '"';
}

TEST(SortDate, ReadsTheFirstDateInEitherFormAfterLeadingWords) {
  const std::pair<const char*, int64_t> dates[] = {
      {"2.3.1850", 18500302}, {"03.1850", 18500300}, {"1850", 18500000}, {"185001", 18500100},
      {"vor 2.2.1800", 18000202}, {"BET 1900 AND 1910", 19000000}, {"04.05.1875 / 09.12.1882", 18750504},
      {"CAL 850", 8500000},
      // Month names, after an optional day; a dual year counts by its first year.
      {"NOV 1890", 18901100}, {"ABT 3 MAI 1850", 18500503}, {"21 jan 1652/53", 16520121},
      {"JAN 1740/41", 17400100}, {"1741/42", 17410000}, {"ABT 1103/1104", 11030000}, {"BEF DEZ  1799", 17991200},
      {"12 XYZ 1850", 120000}, {"JANUARY 1850", 18500000}, {"1850-1860", 18500000},
  };
  for (const auto& [text, key] : dates) EXPECT_EQ(readDateKey(text), key) << text;
  for (const char* text : {"", "unbekannt", "ABT", "12345", "123.01.1850"}) EXPECT_FALSE(readDateKey(text)) << text;
}

TEST(SortText, UpperCasesAndPutsTheCodePageBeforeEveryOtherCharacter) {
  // Each text sorts before the next one.
  const char* ordered[] = {"", "adam", "Bert", "zander", "ÿ", "Ärger", "Łódź", "Мария"};
  for (size_t k = 0; k + 1 < std::size(ordered); ++k) {
    EXPECT_LT(compareSortText(ordered[k], ordered[k + 1]), 0) << ordered[k];
    EXPECT_GT(compareSortText(ordered[k + 1], ordered[k]), 0) << ordered[k];
  }
  EXPECT_EQ(compareSortText("müller", "MÜLLER"), 0);
  EXPECT_EQ(compareSortText("łódź", "ŁÓDŹ"), 0);
  EXPECT_LT(compareSortText("µ", "Ä"), 0);  // µ keeps its byte though its capital lies outside
}

TEST(SortGridRows, ChoosesDateNumberOrTextPerColumnWithEmptyCellsFirst) {
  struct Case {
    const char* header;  // "Geburtsdatum :" is a date column
    Cells cells, ascending;
  };
  const Case cases[] = {
      // A comma reads as the decimal point; empty cells neither decide nor block.
      {"ID :", {"10", "9", "-1", "1,5", "2E0", ""}, {"", "-1", "1,5", "2E0", "9", "10"}},
      {"ID :", {"10", "9", "x"}, {"10", "9", "x"}},
      {"Geburtsdatum :", {"02.02.1876", "", "1884", "12.01.1850", "ABT 1851", "unbekannt", "03.1850"},
       {"", "12.01.1850", "03.1850", "ABT 1851", "02.02.1876", "1884", "unbekannt"}},
      // A date column stays one whatever its cells: numbers are years.
      {"Geburtsdatum :", {"19000101", "1850"}, {"1850", "19000101"}},
  };
  const int keys[] = {0};
  for (const Case& c : cases) {
    std::vector<Cells> rows;
    for (const auto& cell : c.cells) rows.push_back({cell});
    for (bool descending : {false, true}) {
      StringTable table = makeTable(rows, 1);
      table.setCell(0, 0, c.header);
      const bool dated = std::string_view(c.header) == "Geburtsdatum :";
      SortGridRows(table, 1, table.rowCount() - 1, descending, keys, dated ? DateCells{keys} : DateCells{});
      EXPECT_EQ(columnOf(table, 0), descending ? Cells(c.ascending.rbegin(), c.ascending.rend()) : c.ascending)
          << c.header << " " << descending;
    }
  }
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
  const char* words[] = {"müller", "MÜLLER", "Zorn", "Äber", "abel", "", "abel ", "1850", "Łukasz"};
  const char* dates[] = {"01.01.1850", "1.1.1850", "31.12.1849", "ABT 1900", "", "unbekannt", "1849"};
  std::vector<Cells> rows;
  for (int r = 0; r < 500; ++r)
    rows.push_back({words[random() % 9], random() % 5 ? std::to_string(static_cast<int>(random() % 50) - 25) + ",5" : "",
                    dates[random() % 7], std::to_string(r)});
  StringTable table = makeTable(rows, 4);
  const int dateColumnList[] = {2};
  const DateCells dateColumns{dateColumnList};
  const int keyColumns[] = {0, 2, 1};
  for (bool descending : {false, true}) {
    // Ties keep the order of the one-core quicksort over the row indices.
    const StringTable before = table;
    const auto beforeKeys = classifySortKeys(before, keyColumns, dateColumns);
    std::vector<int> order(500);
    for (int i = 0; i < 500; ++i) order[static_cast<size_t>(i)] = i + 1;
    boundedQuickSort(std::span<int>(order), [&](int a, int b) {
      const int r = CompareGridRows(before, a, b, beforeKeys);
      return descending ? r > 0 : r < 0;
    });
    SortGridRows(table, 1, table.rowCount() - 1, descending, keyColumns, dateColumns);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(table.cell(3, i + 1), before.cell(3, order[static_cast<size_t>(i)]));
    auto keys = classifySortKeys(table, keyColumns, dateColumns);
    ASSERT_TRUE(!keys[0].numeric && !keys[0].date && keys[1].date && keys[2].numeric);
    for (int r = 1; r + 1 < table.rowCount(); ++r) {
      int order = CompareGridRows(table, r, r + 1, keys);
      EXPECT_TRUE(descending ? order >= 0 : order <= 0) << "rows " << r;
    }
  }
}

TEST(BoundedQuickSort, HostileComparatorNeverLeavesTheRange) {
  constexpr int kSentinel = -1;  // around the range; must never reach the comparator
  for (int answerMode : {0, 1, 3}) {
    for (int size : {3, 1000}) {
      std::vector<int> storage(static_cast<size_t>(size) + 2, kSentinel);
      for (int k = 0; k < size; ++k) storage[static_cast<size_t>(k) + 1] = k;
      std::mt19937 random(static_cast<unsigned>(size * 10 + answerMode));
      bool sawSentinel = false;
      auto before = [&](int a, int b) {
        sawSentinel |= a == kSentinel || b == kSentinel;
        switch (answerMode) {
          case 0: return true;
          case 1: return (random() & 1) != 0;
          default: return a % 3 < b % 3 || a == b;
        }
      };
      // Depth 0 hands the whole range to the merge sort at once.
      for (int depth : {quickSortDepthLimit(static_cast<size_t>(size)), 0}) {
        boundedQuickSort(std::span<int>(storage).subspan(1, static_cast<size_t>(size)), before, depth);
        EXPECT_FALSE(sawSentinel) << answerMode << " " << size << " " << depth;
        EXPECT_TRUE(storage.front() == kSentinel && storage.back() == kSentinel);
        std::sort(storage.begin() + 1, storage.end() - 1);
        for (int k = 0; k < size; ++k) EXPECT_EQ(storage[static_cast<size_t>(k) + 1], k);
      }
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

TEST(BoundedQuickSort, MergeSortOfAPartKeepsEqualItemsInOrder) {
  std::vector<int> values(1000), position(1000);
  for (size_t k = 0; k < values.size(); ++k) {
    values[k] = static_cast<int>((k * 7919) % 1000);
    position[static_cast<size_t>(values[k])] = static_cast<int>(k);
  }
  boundedQuickSort(std::span<int>(values), [](int a, int b) { return a / 10 < b / 10; }, 0);
  for (size_t k = 1; k < values.size(); ++k) {
    ASSERT_LE(values[k - 1] / 10, values[k] / 10) << k;
    if (values[k - 1] / 10 == values[k] / 10) {
      EXPECT_LT(position[static_cast<size_t>(values[k - 1])], position[static_cast<size_t>(values[k])]) << k;
    }
  }
}

// Keys that rise and then fall defeat the middle pivot: every partition
// splits off a row or two. 100,000 such rows took 9 s; n log n takes a
// fraction of a second.
TEST(SortGridRows, KeysThatRiseAndFallSortInNLogN) {
  constexpr int kRows = 100000;
  StringTable table(2);
  table.setRowCount(kRows + 1);
  for (int r = 1; r <= kRows; ++r) {
    const int key = r <= kRows / 2 ? r : kRows + 1 - r;
    table.setCell(0, r, std::to_string(key));
    table.setCell(1, r, std::to_string(r));
  }
  const int keys[] = {0};
  const auto start = std::chrono::steady_clock::now();
  SortGridRows(table, 1, kRows, false, keys);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  for (int r = 1; r < kRows; ++r)
    ASSERT_LE(std::stoi(std::string(table.cell(0, r))), std::stoi(std::string(table.cell(0, r + 1)))) << r;
}

TEST(SortTableKeepingRow, FollowsTheSelectedRowThroughTheSort) {
  StringTable table = makeTable({{"c", "1"}, {"a", "2"}, {"b", "3"}}, 2);
  const int keys[] = {0};
  EXPECT_EQ(SortTableKeepingRow(table, keys, false, 1), 3);
  EXPECT_EQ(SortTableKeepingRow(table, keys, true, 3), 1);
  // The row itself, not the first one that reads the same when its cells
  // are run together.
  StringTable twins = makeTable({{"b", "x"}, {"a", "bc"}, {"ab", "c"}}, 2);
  EXPECT_EQ(SortTableKeepingRow(twins, keys, false, 3), 2);
  // A row out of range matches nothing: the last row.
  EXPECT_EQ(SortTableKeepingRow(table, keys, false, 99), 3);
}

TEST(SortGridRows, StoredDatesSortAsTheirShownTextWould) {
  const char* gedcom[] = {"12 JAN 1850", "ABT 1850",  "BEF MAR 1849", "1850/51",        "unbekannt", "",
                          "3 MAI 1850",  "1849",      "ABT 12 JAN 1850", "JAN 1900",   "BET 1850 AND 1860",
                          "5.1850",      "MAR 1850",  "01121850",   "ABT 12345",       "um 1850?",  "ABT"};
  std::vector<Cells> stored, shown[2];
  std::mt19937 random(3);
  for (int r = 0; r < 300; ++r) {
    std::string date;
    appendSortDate(date, gedcom[random() % std::size(gedcom)]);
    if (random() % 4 == 0) {
      date += kDatePartBreak;
      appendSortDate(date, gedcom[random() % std::size(gedcom)]);
    }
    stored.push_back({date, std::to_string(r)});
    for (int form = 0; form < 2; ++form) {
      std::string text;
      appendShownDate(text, date, form == 0 ? DateForm::Western : DateForm::Sortable);
      shown[form].push_back({text, std::to_string(r)});
    }
  }
  const int dateColumn[] = {0};
  const int keys[] = {0};
  for (int form = 0; form < 2; ++form) {
    for (bool descending : {false, true}) {
      StringTable fromStored = makeTable(stored, 2), fromShown = makeTable(shown[form], 2);
      SortGridRows(fromStored, 1, 300, descending, keys,
                   DateCells{dateColumn, form == 0 ? DateForm::Western : DateForm::Sortable});
      // The shown text read as it stands, as the sort once read the grid.
      SortGridRows(fromShown, 1, 300, descending, keys, DateCells{dateColumn, DateForm::Sortable});
      EXPECT_EQ(columnOf(fromStored, 1), columnOf(fromShown, 1)) << form << descending;
    }
  }
}

}  // namespace
}  // namespace rowsmith
