// The number grammar and date keys of the grid sort on arbitrary text, and
// sorting a small table of arbitrary cells by an arbitrary key set: the rows
// stay a permutation of the old ones, the header stays, and where the keys
// give an order the result is in that order.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/sortengine.h"

using namespace rowsmith;

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The number grammar written out once more, plainly: blanks, sign, digits,
// point, digits (at least one digit in all), exponent with at least one digit.
bool grammarNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t before = i;
  while (i < s.size() && isDigit(s[i])) ++i;
  size_t digits = i - before;
  if (i < s.size() && s[i] == '.') {
    size_t after = ++i;
    while (i < s.size() && isDigit(s[i])) ++i;
    digits += i - after;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exponent = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    if (i == exponent) return false;
  }
  return i == s.size();
}

void checkReaders(std::string_view text) {
  std::optional<long double> number = readSortNumber(text);
  check(number.has_value() == grammarNumber(text), "number read exactly by the grammar");
  if (number) check(!std::isnan(*number), "a number is never NaN");
  if (std::optional<int64_t> date = readDateKey(text)) {
    check(*date >= 0 && *date <= 99999999 && text.find_first_of("0123456789") != std::string_view::npos,
          "a date key is year, month and day of the digits in the text");
  }
}

std::string rowText(const StringTable& table, int row) {
  std::string text;
  for (int c = 0; c < table.columnCount(); ++c) {
    text += table.cell(c, row);
    text += '\x1f';
  }
  return text;
}

}  // namespace

// Input: three control bytes (columns, descending flag + key count, selected
// row), then key columns, then cells separated by byte 0x1F.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int columns = 1 + data[0] % 5;
  const bool descending = data[1] & 0x80;
  const size_t keyCount = std::min<size_t>(1 + (data[1] & 0x07), size - 3);
  const int selected = data[2];
  std::vector<int> keys;
  for (size_t k = 0; k < keyCount; ++k) {
    // Mostly real columns, now and then one the table does not have.
    int8_t raw = static_cast<int8_t>(data[3 + k]);
    keys.push_back(raw < 0 ? raw : raw % columns);
  }
  std::string_view rest(reinterpret_cast<const char*>(data) + 3 + keyCount, size - 3 - keyCount);

  std::vector<std::string_view> cells;
  for (size_t start = 0;;) {
    size_t end = rest.find('\x1f', start);
    cells.push_back(rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  for (std::string_view cell : cells) {
    checkReaders(cell);
    if (cell.find(',') != std::string_view::npos) {
      std::string dots(cell);
      std::replace(dots.begin(), dots.end(), ',', '.');
      checkReaders(dots);
    }
  }

  const int rows = static_cast<int>(std::min<size_t>(cells.size() / columns, 200));
  StringTable table(columns);
  table.setRowCount(rows + 1);
  for (int c = 0; c < columns; ++c) table.setCell(c, 0, "H" + std::to_string(c));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) table.setCell(c, r + 1, cells[static_cast<size_t>(r * columns + c)]);

  std::vector<std::string> before;
  for (int r = 1; r <= rows; ++r) before.push_back(rowText(table, r));
  const std::string header = rowText(table, 0);
  const int selectedRow = rows > 0 ? 1 + selected % rows : 0;
  // Rows are told apart by their cells run together, as the sort does it.
  auto content = [&](int row) {
    std::string text;
    for (int c = 0; c < columns; ++c) text += table.cell(c, row);
    return text;
  };
  const std::string selectedText = content(selectedRow);

  // Decided before the sort: the rule that leaves out an empty last row may
  // judge the sorted table differently.
  // The first column is now and then a date column.
  const int dateColumn[] = {0};
  const DateCells dates{selected & 1 ? std::span<const int>(dateColumn) : std::span<const int>(),
                        selected & 2 ? DateForm::Western : DateForm::Sortable};
  const std::vector<SortKey> classified = classifySortKeys(table, keys, dates);
  const int found = SortTableKeepingRow(table, keys, descending, selectedRow, dates);

  check(table.rowCount() == rows + 1, "row count unchanged");
  check(rowText(table, 0) == header, "header row unchanged");
  std::vector<std::string> after;
  for (int r = 1; r <= rows; ++r) after.push_back(rowText(table, r));
  std::vector<std::string> a = before, b = after;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  check(a == b, "the rows are a permutation of the old ones");
  if (rows > 0) {
    check(found >= 1 && found <= rows, "the kept row lies among the data rows");
    check(content(found) == selectedText, "the kept row shows the selected content");
  }

  // Every kind orders consistently, so the result is in order.
  for (int r = 1; r < rows; ++r) {
    int order = CompareGridRows(table, r, r + 1, classified, dates);
    check(descending ? order >= 0 : order <= 0, "sorted by the keys");
  }
  return 0;
}
