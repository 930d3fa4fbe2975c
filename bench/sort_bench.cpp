// Sorting a result table of 1,000,000 rows: one text key, then a three-key
// sort as three Shift-clicks build it (given name, surname, birth date).
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "kernel/sortengine.h"
#include "benchtable.h"
#include "kernel/stringtable.h"

using namespace rowsmith;
using namespace rowsmith::bench;

namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 39;

StringTable makeTable() {
  std::mt19937 random(42);
  StringTable table(kColumns);
  table.setRowCount(kRows + 1);
  for (int c = 0; c < kColumns; ++c) table.setCell(c, 0, "Header " + std::to_string(c) + " :");
  char date[16];
  for (int r = 1; r <= kRows; ++r) {
    std::string first = kGivenNames[random() % std::size(kGivenNames)];
    std::string last = kSurnames[random() % std::size(kSurnames)];
    unsigned day = 1 + random() % 28, month = 1 + random() % 12, year = 1700 + random() % 250;
    std::snprintf(date, sizeof date, "%02u.%02u.%04u", day, month, year);
    table.setCell(0, r, std::to_string(r));
    table.setCell(1, r, first + " " + last);
    table.setCell(2, r, first);
    table.setCell(3, r, last);
    table.setCell(4, r, random() % 2 ? "M" : "W");
    table.setCell(5, r, date);
    table.setCell(6, r, kPlaces[random() % std::size(kPlaces)]);
    table.setCell(16, r, std::to_string(random() % kRows));
    table.setCell(17, r, std::to_string(random() % kRows));
  }
  return table;
}

}  // namespace

int main() {
  auto start = std::chrono::steady_clock::now();
  StringTable table = makeTable();
  std::printf("table of %d rows x %d columns built in %.2f s\n", kRows, kColumns, secondsSince(start));

  const int oneKey[] = {3};
  start = std::chrono::steady_clock::now();
  SortGridRows(table, 1, table.rowCount() - 1, false, oneKey);
  std::printf("sort by one text column (surname):            %.2f s\n", secondsSince(start));

  // Shift-clicks on birth date, surname, given name: the last click decides.
  const int threeKeys[] = {2, 3, 5};
  start = std::chrono::steady_clock::now();
  SortGridRows(table, 1, table.rowCount() - 1, false, threeKeys);
  std::printf("sort by given name, surname, birth date:      %.2f s\n", secondsSince(start));

  const int numericKey[] = {0};
  start = std::chrono::steady_clock::now();
  SortGridRows(table, 1, table.rowCount() - 1, true, numericKey);
  std::printf("sort by the numeric ID column, descending:    %.2f s\n", secondsSince(start));

  start = std::chrono::steady_clock::now();
  int row = SortTableKeepingRow(table, oneKey, false, kRows / 2);
  std::printf("sort by surname keeping the selected row:     %.2f s (row %d)\n", secondsSince(start), row);
  return 0;
}
