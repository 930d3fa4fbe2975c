#include "kernel/sortengine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "kernel/utf8text.h"
#include "kernel/cp1252.h"
#include "kernel/dates.h"
#include "kernel/runbeside.h"
#include "kernel/textcodec.h"

namespace rowsmith {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The month of a "3 MAI 1850" shape: at blank k after the day, blanks, a month
// name, blanks and a digit; k moves to the digit. 0 for any other text.
int64_t monthAfter(std::string_view s, size_t& k) {
  size_t at = k;
  while (at < s.size() && s[at] == ' ') ++at;
  if (at + 3 > s.size() || (at + 3 < s.size() && isAsciiLetter(s[at + 3]))) return 0;
  const int month = monthNumber(s.substr(at, 3));
  at += 3;
  const size_t blanks = at;
  while (at < s.size() && s[at] == ' ') ++at;
  if (month == 0 || at == blanks || at >= s.size() || !isDigit(s[at])) return 0;
  k = at;
  return month;
}

std::optional<long double> readNumberCell(std::string_view cell) {
  if (cell.find(',') == std::string_view::npos) return readSortNumber(cell);
  std::string dots(cell);
  std::replace(dots.begin(), dots.end(), ',', '.');
  return readSortNumber(dots);
}

bool isEmptyCell(std::string_view cell) { return trimView(cell).empty(); }

uint32_t textKey(char32_t code) {
  const int byte = windows1252Byte(upperChar(code));
  if (byte >= 0) return static_cast<uint32_t>(byte);
  // A character of the code page whose capital is not (µ) keeps its place.
  const int own = windows1252Byte(code);
  return own >= 0 ? static_cast<uint32_t>(own) : 256 + upperChar(code);
}

template <class V>
int compareValues(const V& a, const V& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// One cell of a key, converted once for the whole sort. Ranks: an empty cell
// first, then the values, then (in a date column) the cells without a date.
struct CellValue {
  uint8_t rank = 0;
  long double number = 0;
  int64_t date = 0;
  std::string text;  // the text key, for a byte-wise compare
};

// Appends k in the form of UTF-8 (extended past U+10FFFF): byte order is
// number order, so whole keys compare as bytes.
void appendOrdered(std::string& out, uint32_t k) {
  if (k < 0x80) {
    out += static_cast<char>(k);
  } else if (k < 0x800) {
    out += static_cast<char>(0xC0 | (k >> 6));
    out += static_cast<char>(0x80 | (k & 0x3F));
  } else if (k < 0x10000) {
    out += static_cast<char>(0xE0 | (k >> 12));
    out += static_cast<char>(0x80 | ((k >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (k & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (k >> 18));
    out += static_cast<char>(0x80 | ((k >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((k >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (k & 0x3F));
  }
}

// The text key of a cell, computed once instead of at every compare.
std::string sortTextKey(std::string_view text) {
  std::string key;
  key.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      key += asciiUpperChar(text[i++]);
    } else {
      char32_t code;
      i += nextCharacter(text, i, code);
      appendOrdered(key, textKey(code));
    }
  }
  return key;
}

// A date cell is read in its stored form; one without a date sorts by the
// text it shows, made in scratch.
CellValue convertCell(const SortKey& key, std::string_view cell, DateForm form, std::string& scratch) {
  CellValue value;
  if (isEmptyCell(cell)) return value;
  value.rank = 1;
  if (key.date) {
    if (std::optional<int64_t> date = readDateKey(cell)) {
      value.date = *date;
      return value;
    }
    value.rank = 2;
    scratch.clear();
    appendShownDate(scratch, cell, form);
    value.text = sortTextKey(scratch);
    return value;
  }
  if (key.numeric) value.number = readNumberCell(cell).value_or(0.0L);
  else value.text = sortTextKey(cell);
  return value;
}

int compareCells(const SortKey& key, const CellValue& a, const CellValue& b) {
  if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
  if (a.rank == 0) return 0;
  if (key.date && a.rank == 1) return compareValues(a.date, b.date);
  if (key.numeric) return compareValues(a.number, b.number);
  const int r = a.text.compare(b.text);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// The converted cells of one key, kind by kind in arrays of their own, so
// that a compare touches only the few bytes it needs.
struct KeyValues {
  SortKey key;
  std::vector<uint8_t> rank;
  std::vector<int64_t> date;         // a date key's dates
  std::vector<long double> number;   // a numeric key's numbers
  std::vector<std::string> text;     // text keys, and a date key's cells without a date

  void resize(size_t rows) {
    rank.resize(rows);
    if (key.date) date.resize(rows);
    if (key.numeric) number.resize(rows);
    if (!key.numeric) text.resize(rows);
  }
  void set(size_t i, CellValue&& value) {
    rank[i] = value.rank;
    if (key.date) date[i] = value.date;
    if (key.numeric) number[i] = value.number;
    if (!key.numeric) text[i] = std::move(value.text);
  }

  int compare(size_t a, size_t b) const {
    if (rank[a] != rank[b]) return rank[a] < rank[b] ? -1 : 1;
    if (rank[a] == 0) return 0;
    if (key.date && rank[a] == 1) return compareValues(date[a], date[b]);
    if (key.numeric) return compareValues(number[a], number[b]);
    const int r = text[a].compare(text[b]);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
};

int compareConverted(const std::vector<KeyValues>& keys, int32_t a, int32_t b) {
  for (const KeyValues& values : keys) {
    if (int r = values.compare(static_cast<size_t>(a), static_cast<size_t>(b))) return r;
  }
  return 0;
}

// The order boundedQuickSort gives, the two parts of its first partition
// sorted each on a core of its own: they are disjoint, so the result is the
// same as sorting them one after the other.
template <class Before>
void sortOnBothCores(std::span<int32_t> items, Before before) {
  if (items.size() < 2) return;
  std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(items.size()) - 1;
  const int32_t pivot = items[static_cast<size_t>((lo + hi) / 2)];
  std::ptrdiff_t i = lo, j = hi;
  do {
    while (i < hi && before(items[static_cast<size_t>(i)], pivot)) ++i;
    while (j > lo && before(pivot, items[static_cast<size_t>(j)])) --j;
    if (i <= j) std::swap(items[static_cast<size_t>(i++)], items[static_cast<size_t>(j--)]);
  } while (i <= j);
  const std::span<int32_t> low = items.first(static_cast<size_t>(std::max<std::ptrdiff_t>(j + 1, 0)));
  const std::span<int32_t> high = items.subspan(static_cast<size_t>(std::min<std::ptrdiff_t>(i, hi + 1)));
  const int depthLeft = quickSortDepthLimit(items.size()) - 1;
  runBeside([&] { boundedQuickSort(high, before, depthLeft); }, [&] { boundedQuickSort(low, before, depthLeft); });
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

std::optional<int64_t> readDateKey(std::string_view s) {
  // Words before the date (qualifiers, "um", "vor") do not count, except a
  // month name right before the year ("NOV 1890").
  size_t i = 0;
  while (i < s.size() && !isDigit(s[i])) ++i;
  // The month name of three letters that stands, after blanks, at `end`.
  auto monthBefore = [&](size_t end) {
    while (end > 0 && s[end - 1] == ' ') --end;
    if (end < 3 || (end > 3 && isAsciiLetter(s[end - 4]))) return 0;
    return monthNumber(s.substr(end - 3, 3));
  };
  const int64_t leadingMonth = i < s.size() && i > 0 && s[i - 1] == ' ' ? monthBefore(i) : 0;
  auto digits = [&](size_t& at) {
    const size_t start = at;
    int64_t value = 0;
    while (at < s.size() && isDigit(s[at]) && at - start < 9) value = value * 10 + (s[at++] - '0');
    return std::pair<int64_t, size_t>{value, at - start};
  };
  const auto [first, firstDigits] = digits(i);
  if (firstDigits == 0) return std::nullopt;
  int64_t year = 0, month = 0, day = 0;
  size_t j = i + 1;
  if (i < s.size() && s[i] == '.' && j < s.size() && isDigit(s[j])) {
    const auto [second, secondDigits] = digits(j);
    size_t k = j + 1;
    if (j < s.size() && s[j] == '.' && k < s.size() && isDigit(s[k])) {
      const auto [third, thirdDigits] = digits(k);
      if (firstDigits > 2 || secondDigits > 2 || thirdDigits > 4) return std::nullopt;
      day = first, month = second, year = third;
    } else {
      if (firstDigits > 2 || secondDigits > 4) return std::nullopt;
      month = first, year = second;
    }
  } else if (leadingMonth != 0 && firstDigits <= 4) {
    year = first, month = leadingMonth;
  } else if (size_t k = i; firstDigits <= 2 && k < s.size() && s[k] == ' ' &&
                           (month = monthAfter(s, k)) != 0) {
    const auto [third, thirdDigits] = digits(k);
    if (thirdDigits == 0 || thirdDigits > 4) return std::nullopt;
    day = first, year = third;
  } else if (firstDigits == 8) {
    year = first / 10000, month = first / 100 % 100, day = first % 100;
  } else if (firstDigits == 6) {
    year = first / 100, month = first % 100;
  } else if (firstDigits <= 4) {
    year = first;
  } else {
    return std::nullopt;
  }
  return year * 10000 + month * 100 + day;
}

int compareSortText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    uint32_t kx, ky;
    if ((x | y) < 0x80) {
      kx = static_cast<unsigned char>(asciiUpperChar(a[i++]));
      ky = static_cast<unsigned char>(asciiUpperChar(b[j++]));
    } else {
      char32_t cx, cy;
      i += nextCharacter(a, i, cx);
      j += nextCharacter(b, j, cy);
      kx = textKey(cx);
      ky = textKey(cy);
    }
    if (kx != ky) return kx < ky ? -1 : 1;
  }
  return compareValues(a.size() - i, b.size() - j);
}

bool IsNumericColumn(const StringTable& table, int column) {
  for (int row = 1; row < table.rowCount(); ++row) {
    const std::string_view cell = table.cell(column, row);
    if (!isEmptyCell(cell) && !readNumberCell(cell)) return false;
  }
  return true;
}

std::vector<SortKey> classifySortKeys(const StringTable& table, std::span<const int> columns,
                                      const DateCells& dates) {
  std::vector<SortKey> keys;
  const size_t count = std::min(columns.size(), static_cast<size_t>(kMaxSortKeys));
  for (size_t k = 0; k < count; ++k) {
    SortKey key{columns[k], false, false};
    auto same = std::find_if(keys.begin(), keys.end(), [&](const SortKey& s) { return s.column == key.column; });
    if (same != keys.end()) {
      key = *same;
    } else {
      key.date = dates.holdsDates(key.column);
      key.numeric = !key.date && IsNumericColumn(table, key.column);
    }
    keys.push_back(key);
  }
  return keys;
}

int CompareGridRows(const StringTable& table, int rowA, int rowB, std::span<const SortKey> keys,
                    const DateCells& dates) {
  std::string scratch;
  for (const SortKey& key : keys) {
    const int r = compareCells(key, convertCell(key, table.cell(key.column, rowA), dates.form, scratch),
                               convertCell(key, table.cell(key.column, rowB), dates.form, scratch));
    if (r != 0) return r;
  }
  return 0;
}

namespace {

// Sorts rows first..last; the new order of their old positions (counted
// from first), empty when nothing was sorted.
std::vector<int32_t> sortRows(StringTable& table, int first, int last, bool descending,
                              std::span<const int> keyColumns, const DateCells& dates) {
  first = std::max(first, 0);
  last = std::min(last, table.rowCount() - 1);
  if (last <= first || keyColumns.empty()) return {};

  // The sort moves indices, not rows, so views into the table stay valid.
  // Both cores convert the cells, each half of the rows.
  const size_t rows = static_cast<size_t>(last - first + 1);
  std::vector<KeyValues> keys;
  for (const SortKey& key : classifySortKeys(table, keyColumns, dates)) {
    keys.push_back(KeyValues{key, {}, {}, {}, {}});
    keys.back().resize(rows);
  }
  auto convert = [&](size_t from, size_t to) {
    std::string scratch;
    for (KeyValues& values : keys) {
      for (size_t i = from; i < to; ++i)
        values.set(i, convertCell(values.key, table.cell(values.key.column, first + static_cast<int>(i)), dates.form,
                                  scratch));
    }
  };
  runBeside([&] { convert(rows / 2, rows); }, [&] { convert(0, rows / 2); });

  std::vector<int32_t> order(rows);
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int32_t>(k);
  if (descending)
    sortOnBothCores(std::span<int32_t>(order), [&](int32_t a, int32_t b) { return compareConverted(keys, a, b) > 0; });
  else
    sortOnBothCores(std::span<int32_t>(order), [&](int32_t a, int32_t b) { return compareConverted(keys, a, b) < 0; });
  table.reorderRows(first, order);
  return order;
}

}  // namespace

void SortGridRows(StringTable& table, int first, int last, bool descending, std::span<const int> keyColumns,
                  const DateCells& dates) {
  sortRows(table, first, last, descending, keyColumns, dates);
}

int SortTableKeepingRow(StringTable& table, std::span<const int> keyColumns, bool descending, int selectedRow,
                        const DateCells& dates) {
  const std::vector<int32_t> order = sortRows(table, 1, table.rowCount() - 1, descending, keyColumns, dates);
  if (selectedRow < 1 || selectedRow >= table.rowCount()) return table.rowCount() - 1;
  if (order.empty()) return selectedRow;
  // The row went where the order names its old place.
  const auto at = std::find(order.begin(), order.end(), static_cast<int32_t>(selectedRow - 1));
  return at == order.end() ? table.rowCount() - 1 : static_cast<int>(at - order.begin()) + 1;
}

}  // namespace rowsmith
