#include "kernel/sortengine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "kernel/ansitext.h"

namespace rowsmith {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string replaceCommas(std::string_view text, char by) {
  std::string copy(text);
  std::replace(copy.begin(), copy.end(), ',', by);
  return copy;
}

// Reads 'minDigits'..'maxDigits' digits at pos.
std::optional<int> readDigits(std::string_view s, size_t& pos, int minDigits, int maxDigits) {
  int value = 0;
  int count = 0;
  while (pos < s.size() && count < maxDigits && isDigit(s[pos])) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
    ++count;
  }
  if (count < minDigits) return std::nullopt;
  return value;
}

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1 March of year 0 of the proleptic Gregorian calendar.
int64_t dayNumber(int y, int m, int d) {
  if (m <= 2) --y;
  int64_t era = y / 400;
  int64_t yearOfEra = y - era * 400;
  int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

// Rows whose cells decide a column's kind: 1.., without an empty last row.
int lastExaminedRow(const StringTable& table) {
  int last = table.rowCount() - 1;
  if (last < 1) return last;
  for (int c = 0; c < table.columnCount(); ++c)
    if (!table.cell(c, last).empty()) return last;
  return last - 1;
}

bool isNumberCell(std::string_view cell) {
  if (cell.find(',') == std::string_view::npos) return readSortNumber(cell).has_value();
  return readSortNumber(replaceCommas(cell, '.')).has_value();
}

bool isDateCell(std::string_view cell) {
  if (cell.find(',') == std::string_view::npos) return readSortDate(cell).has_value();
  return readSortDate(replaceCommas(cell, ' ')).has_value();
}

long double numberForCompare(std::string_view cell) {
  std::optional<long double> value = cell.find(',') == std::string_view::npos
                                         ? readSortNumber(cell)
                                         : readSortNumber(replaceCommas(cell, '.'));
  return value.value_or(0.0L);
}

std::optional<int64_t> dateForCompare(std::string_view cell) {
  return cell.find(',') == std::string_view::npos ? readSortDate(cell)
                                                  : readSortDate(replaceCommas(cell, '.'));
}

int compareText(std::string_view a, std::string_view b) {
  int r = a.compare(b);  // char_traits<char> compares bytes as unsigned
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

template <class V>
int compareValues(const V& a, const V& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

constexpr int64_t kNoDate = std::numeric_limits<int64_t>::min();

// One key's cells of rows first..last, converted once for the whole sort.
struct KeyValues {
  SortKey key;
  std::vector<long double> numbers;
  std::vector<int64_t> dates;
  std::vector<std::string_view> texts;  // into the table or into upperText
  std::vector<char> upperText;  // a vector keeps its buffer when moved
};

void convertKey(const StringTable& table, int first, int last, KeyValues& values) {
  const int column = values.key.column;
  const size_t count = static_cast<size_t>(last - first + 1);
  if (values.key.numeric) {
    values.numbers.resize(count);
    for (size_t k = 0; k < count; ++k)
      values.numbers[k] = numberForCompare(table.cell(column, first + static_cast<int>(k)));
  } else if (values.key.date) {
    values.dates.resize(count);
    for (size_t k = 0; k < count; ++k)
      values.dates[k] = dateForCompare(table.cell(column, first + static_cast<int>(k))).value_or(kNoDate);
  } else {
    // Cells that upper-casing leaves alone are used where they lie; the sort
    // moves indices, not rows, so those views stay valid.
    size_t upperBytes = 0;
    for (int row = first; row <= last; ++row) {
      std::string_view cell = table.cell(column, row);
      if (std::any_of(cell.begin(), cell.end(), [](char c) { return ansiUpperChar(c) != c; }))
        upperBytes += cell.size();
    }
    values.upperText.reserve(upperBytes);
    std::vector<std::pair<size_t, size_t>> upperSpans(count, {std::string::npos, 0});
    values.texts.resize(count);
    for (size_t k = 0; k < count; ++k) {
      std::string_view cell = table.cell(column, first + static_cast<int>(k));
      if (std::any_of(cell.begin(), cell.end(), [](char c) { return ansiUpperChar(c) != c; })) {
        upperSpans[k] = {values.upperText.size(), cell.size()};
        for (char c : cell) values.upperText.push_back(ansiUpperChar(c));
      } else {
        values.texts[k] = cell;
      }
    }
    for (size_t k = 0; k < count; ++k)
      if (upperSpans[k].first != std::string::npos)
        values.texts[k] = std::string_view(values.upperText.data() + upperSpans[k].first, upperSpans[k].second);
  }
}

int compareConverted(const std::vector<KeyValues>& keys, int32_t a, int32_t b) {
  for (const KeyValues& values : keys) {
    int r = 0;
    if (values.key.numeric) {
      r = compareValues(values.numbers[a], values.numbers[b]);
    } else if (values.key.date) {
      int64_t da = values.dates[a];
      int64_t db = values.dates[b];
      if (da != kNoDate && db != kNoDate) r = compareValues(da, db);
    } else {
      r = compareText(values.texts[a], values.texts[b]);
    }
    if (r != 0) return r;
  }
  return 0;
}

// Puts original row order[k] at position first + k using row swaps only.
void applyOrder(StringTable& table, int first, const std::vector<int32_t>& order) {
  const int32_t count = static_cast<int32_t>(order.size());
  std::vector<int32_t> where(count);  // current position of original row
  std::vector<int32_t> at(count);     // original row at a position
  for (int32_t k = 0; k < count; ++k) where[k] = at[k] = k;
  for (int32_t p = 0; p < count; ++p) {
    int32_t row = order[p];
    int32_t q = where[row];
    if (q == p) continue;
    table.swapRows(first + p, first + q);
    int32_t displaced = at[p];
    at[p] = row;
    at[q] = displaced;
    where[row] = p;
    where[displaced] = q;
  }
}

bool rowContentEquals(const StringTable& table, int row, std::string_view content) {
  for (int c = 0; c < table.columnCount(); ++c) {
    std::string_view cell = table.cell(c, row);
    if (content.substr(0, cell.size()) != cell) return false;
    content.remove_prefix(cell.size());
  }
  return content.empty();
}

}  // namespace

std::optional<long double> readSortNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t mantissa = i;
  size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  bool negativeExponent = false;
  bool hasExponent = false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    hasExponent = true;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    size_t exponentDigits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;

  long double value = 0;
  auto [end, error] = std::from_chars(s.data() + mantissa, s.data() + s.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Out of the type's range: tiny values count as 0, huge ones as infinite.
    bool tiny = hasExponent ? negativeExponent
                            : s.find_first_of("123456789", mantissa) > s.find('.', mantissa);
    value = tiny ? 0.0L : std::numeric_limits<long double>::infinity();
  } else if (error != std::errc() || end != s.data() + s.size()) {
    return std::nullopt;
  }
  if (mantissa > 0 && s[mantissa - 1] == '-') value = -value;
  return value;
}

std::optional<int64_t> readSortDate(std::string_view s) {
  size_t pos = 0;
  while (pos < s.size() && s[pos] == ' ') ++pos;
  auto day = readDigits(s, pos, 1, 2);
  if (!day || pos >= s.size() || s[pos++] != '.') return std::nullopt;
  auto month = readDigits(s, pos, 1, 2);
  if (!month || pos >= s.size() || s[pos++] != '.') return std::nullopt;
  auto year = readDigits(s, pos, 4, 4);
  if (!year || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
      *day > daysInMonth(*year, *month))
    return std::nullopt;
  if (pos < s.size() && isDigit(s[pos])) return std::nullopt;

  int64_t millis = 0;
  size_t blanks = pos;
  while (pos < s.size() && s[pos] == ' ') ++pos;
  if (pos < s.size()) {
    if (pos == blanks) return std::nullopt;
    auto hour = readDigits(s, pos, 1, 2);
    if (!hour || pos >= s.size() || s[pos++] != ':') return std::nullopt;
    auto minute = readDigits(s, pos, 2, 2);
    if (!minute || *hour > 23 || *minute > 59) return std::nullopt;
    int second = 0;
    int milli = 0;
    if (pos < s.size() && s[pos] == ':') {
      ++pos;
      auto sec = readDigits(s, pos, 2, 2);
      if (!sec || *sec > 59) return std::nullopt;
      second = *sec;
      if (pos < s.size() && s[pos] == '.') {
        ++pos;
        size_t start = pos;
        auto ms = readDigits(s, pos, 1, 3);
        if (!ms) return std::nullopt;
        milli = *ms * (pos - start == 1 ? 100 : pos - start == 2 ? 10 : 1);
      }
    }
    millis = ((*hour * 60 + *minute) * 60 + second) * 1000LL + milli;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    if (pos != s.size()) return std::nullopt;
  }
  return dayNumber(*year, *month, *day) * 86400000LL + millis;
}

bool IsNumericColumn(const StringTable& table, int column) {
  const int last = lastExaminedRow(table);
  for (int row = 1; row <= last; ++row)
    if (!isNumberCell(table.cell(column, row))) return false;
  return true;
}

bool IsDateColumn(const StringTable& table, int column) {
  const int last = lastExaminedRow(table);
  for (int row = 1; row <= last; ++row)
    if (!isDateCell(table.cell(column, row))) return false;
  return true;
}

std::vector<SortKey> classifySortKeys(const StringTable& table, std::span<const int> columns) {
  std::vector<SortKey> keys;
  const size_t count = std::min(columns.size(), static_cast<size_t>(kMaxSortKeys));
  for (size_t k = 0; k < count; ++k) {
    SortKey key{columns[k], false, false};
    auto same = std::find_if(keys.begin(), keys.end(), [&](const SortKey& s) { return s.column == key.column; });
    if (same != keys.end()) {
      key = *same;
    } else {
      key.numeric = IsNumericColumn(table, key.column);
      key.date = !key.numeric && IsDateColumn(table, key.column);
    }
    keys.push_back(key);
  }
  return keys;
}

int CompareGridRows(const StringTable& table, int rowA, int rowB, std::span<const SortKey> keys) {
  for (const SortKey& key : keys) {
    std::string_view a = table.cell(key.column, rowA);
    std::string_view b = table.cell(key.column, rowB);
    int r = 0;
    if (key.numeric) {
      r = compareValues(numberForCompare(a), numberForCompare(b));
    } else if (key.date) {
      auto da = dateForCompare(a);
      auto db = dateForCompare(b);
      if (da && db) r = compareValues(*da, *db);
    } else {
      r = compareText(ansiUpperCase(a), ansiUpperCase(b));
    }
    if (r != 0) return r;
  }
  return 0;
}

void SortGridRows(StringTable& table, int first, int last, bool descending,
                  std::span<const int> keyColumns) {
  first = std::max(first, 0);
  last = std::min(last, table.rowCount() - 1);
  if (last <= first || keyColumns.empty()) return;

  std::vector<KeyValues> keys;
  for (const SortKey& key : classifySortKeys(table, keyColumns)) {
    KeyValues values;
    values.key = key;
    convertKey(table, first, last, values);
    keys.push_back(std::move(values));
  }

  std::vector<int32_t> order(static_cast<size_t>(last - first + 1));
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int32_t>(k);
  if (descending)
    boundedQuickSort(std::span<int32_t>(order), [&](int32_t a, int32_t b) { return compareConverted(keys, a, b) > 0; });
  else
    boundedQuickSort(std::span<int32_t>(order), [&](int32_t a, int32_t b) { return compareConverted(keys, a, b) < 0; });
  applyOrder(table, first, order);
}

int SortTableKeepingRow(StringTable& table, std::span<const int> keyColumns, bool descending,
                        int selectedRow) {
  std::string selected;
  for (int c = 0; c < table.columnCount(); ++c) selected += table.cell(c, selectedRow);
  SortGridRows(table, 1, table.rowCount() - 1, descending, keyColumns);
  for (int row = 1; row < table.rowCount(); ++row)
    if (rowContentEquals(table, row, selected)) return row;
  return table.rowCount() - 1;
}

}  // namespace rowsmith
