// Find and filter on a result table of 1,000,000 rows with both partners
// filled: the filter as a user types a surname letter by letter (each letter
// narrows the rows of the one before), a text found nowhere (a full scan),
// and find-next from the top for a rare and an absent text.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "benchtable.h"
#include "kernel/stringtable.h"
#include "import/resultcolumns.h"
#include "kernel/tablesearch.h"

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
  auto nextDate = [&] {
    // Stored in the sortable form, as the import stores dates.
    const unsigned day = 1 + random() % 28, month = 1 + random() % 12;
    std::snprintf(date, sizeof date, "%04u%02u%02u", static_cast<unsigned>(1700 + random() % 250), month, day);
    return std::string(date);
  };
  std::vector<std::string> cells(kColumns);
  for (int r = 1; r <= kRows; ++r) {
    for (int side : {0, 21}) {
      std::string first = kGivenNames[random() % std::size(kGivenNames)];
      std::string last = kSurnames[random() % std::size(kSurnames)];
      cells[side + 0] = std::to_string(random() % (2 * kRows));
      cells[side + 1] = first + " " + last;
      cells[side + 2] = first;
      cells[side + 3] = last;
      cells[side + 4] = side ? "W" : "M";
      cells[side + 5] = nextDate();
      cells[side + 6] = kPlaces[random() % std::size(kPlaces)];
      cells[side + 9] = nextDate();
      cells[side + 10] = kPlaces[random() % std::size(kPlaces)];
      cells[side + 14] = kJobs[random() % std::size(kJobs)];
      cells[side + 15] = random() % 4 ? "" : "Aus dem Kirchenbuch der Gemeinde,\r\nSeite " + std::to_string(random() % 900);
      cells[side + 16] = std::to_string(random() % (2 * kRows));
      cells[side + 17] = std::to_string(random() % (2 * kRows));
    }
    cells[18] = nextDate();
    cells[19] = kPlaces[random() % std::size(kPlaces)];
    table.setRow(r, cells);
  }
  // One rare text, near the end.
  table.setCell(22, kRows - 7, "Quillfeldt");
  return table;
}

}  // namespace

int main() {
  auto start = std::chrono::steady_clock::now();
  StringTable table = makeTable();
  size_t bytes = 0;
  for (int r = 1; r < table.rowCount(); ++r) bytes += table.rowText(r).size();
  std::printf("table of %d rows x %d columns, %.0f MB of cell text, built in %.2f s\n", kRows, kColumns,
              static_cast<double>(bytes) / 1e6, secondsSince(start));

  // Typing "hoffm": the first letter filters every row, each further one
  // only the rows the one before left.
  // Dates show in the western form: a needle with a "." is looked for in
  // each date cell as shown.
  const DateCells dates = resultDateCells(DateForm::Western);
  const std::string typed = "hoffm";
  std::vector<int> rows;
  double worst = 0;
  for (size_t n = 1; n <= typed.size(); ++n) {
    TableSearch search(typed.substr(0, n));
    start = std::chrono::steady_clock::now();
    rows = n == 1 ? filterRows(table, dates, search) : filterRows(table, dates, search, rows);
    const double seconds = secondsSince(start);
    worst = std::max(worst, seconds);
    std::printf("filter \"%s\": %zu rows in %.3f s\n", typed.substr(0, n).c_str(), rows.size(), seconds);
  }
  std::printf("filter while typing: slowest keystroke %.3f s\n", worst);

  // The last two need letters beyond ASCII upper-cased character by character.
  for (const char* absent : {"x", "quillfeldtz", "müller", "łódź", "12.18"}) {
    start = std::chrono::steady_clock::now();
    rows = filterRows(table, dates, TableSearch(absent));
    std::printf("filter \"%s\" from scratch: %zu rows in %.3f s\n", absent, rows.size(), secondsSince(start));
  }

  std::vector<int> all(kRows), columns(kColumns);
  for (int r = 0; r < kRows; ++r) all[static_cast<size_t>(r)] = r + 1;
  for (int c = 0; c < kColumns; ++c) columns[static_cast<size_t>(c)] = c;
  for (const char* needle : {"quillfeldt", "nirgendwo"}) {
    start = std::chrono::steady_clock::now();
    auto found = findCell(table, dates, TableSearch(needle), all, columns, ShownCell{0, 0}, false);
    std::printf("find next \"%s\" from the top: %s in %.3f s\n", needle,
                found ? ("row " + std::to_string(found->row + 1)).c_str() : "not found", secondsSince(start));
  }
  return 0;
}
