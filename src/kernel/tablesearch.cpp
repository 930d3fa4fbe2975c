#include "kernel/tablesearch.h"

#include <algorithm>
#include <cstring>

#include "kernel/utf8text.h"
#include "kernel/datecells.h"
#include "kernel/runbeside.h"
#include "kernel/textcodec.h"

namespace rowsmith {

namespace {

// Upper-cases character by character, so "müller" finds "MÜLLER".
void foldUnicode(std::string_view text, std::string& folded) {
  folded.clear();
  for (size_t i = 0; i < text.size();) {
    char32_t code = 0;
    i += nextCharacter(text, i, code);
    appendUtf8(folded, upperChar(code));
  }
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

TableSearch::TableSearch(std::string_view needle) : ascii_(isAscii(needle)) {
  for (int c = 0; c < 256; ++c) fold_[c] = static_cast<unsigned char>(asciiUpperChar(static_cast<char>(c)));
  needle_.reserve(needle.size());
  for (char c : needle) needle_.push_back(static_cast<char>(fold_[static_cast<unsigned char>(c)]));
  scan_ = needle_;
  if (!ascii_) {
    foldUnicode(needle, unicodeNeedle_);
    // The longest ASCII stretch of the needle finds the candidates fast;
    // only they are upper-cased character by character.
    std::string_view longest, rest = needle_;
    while (!rest.empty()) {
      size_t start = 0;
      while (start < rest.size() && static_cast<unsigned char>(rest[start]) >= 0x80) ++start;
      size_t end = start;
      while (end < rest.size() && static_cast<unsigned char>(rest[end]) < 0x80) ++end;
      if (end - start > longest.size()) longest = rest.substr(start, end - start);
      rest.remove_prefix(end);
    }
    scan_ = std::string(longest);
  }
  // A needle with no date punctuation, all digits or none, lies in a day,
  // month, year or prefix of a shown date, each of which the stored form holds.
  const bool punctuated = needle_.find_first_of("./ \xFF") != std::string::npos;
  const bool digits = needle_.find_first_of("0123456789") != std::string::npos;
  const bool allDigits = needle_.find_first_not_of("0123456789") == std::string::npos;
  storedDatesTell_ = !punctuated && (allDigits || !digits);
  const size_t n = scan_.size();
  std::array<uint32_t, 256> byFolded;
  byFolded.fill(static_cast<uint32_t>(std::max<size_t>(n, 1)));
  for (size_t i = 0; i + 1 < n; ++i) byFolded[static_cast<unsigned char>(scan_[i])] = static_cast<uint32_t>(n - 1 - i);
  for (int c = 0; c < 256; ++c) shift_[c] = byFolded[fold_[c]];
}

size_t TableSearch::find(std::string_view text, size_t from) const {
  const size_t n = scan_.size();
  if (n == 0) return from <= text.size() ? from : std::string_view::npos;
  if (text.size() < n) return std::string_view::npos;
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const auto* needle = reinterpret_cast<const unsigned char*>(scan_.data());
  const size_t last = text.size() - n;
  if (n < 3) {
    // Too short for skipping to pay.
    const unsigned char first = needle[0];
    for (size_t i = from; i <= last; ++i)
      if (fold_[data[i]] == first && (n == 1 || fold_[data[i + 1]] == needle[1])) return i;
    return std::string_view::npos;
  }
  const unsigned char final = needle[n - 1];
  for (size_t i = from; i <= last;) {
    const unsigned char end = data[i + n - 1];
    if (fold_[end] == final) {
      size_t k = 0;
      while (k + 1 < n && fold_[data[i + k]] == needle[k]) ++k;
      if (k + 1 == n) return i;
    }
    i += shift_[end];
  }
  return std::string_view::npos;
}

bool TableSearch::contains(std::string_view text) const {
  // Only ASCII folds byte by byte; other letters need the whole character.
  if (!ascii_) {
    if (!scan_.empty() && find(text, 0) == std::string_view::npos) return false;
    // One buffer per thread: a filter looks at a million cells.
    thread_local std::string folded;
    foldUnicode(text, folded);
    return folded.find(unicodeNeedle_) != std::string::npos;
  }
  return find(text, 0) != std::string_view::npos;
}

bool TableSearch::shownDateContains(std::string_view stored, DateForm form) const {
  if (stored.empty()) return false;
  thread_local std::string shown;
  return contains(shownDate(stored, form, shown));
}

bool TableSearch::cellContains(const StringTable& table, const DateCells& dates, int column, int row) const {
  const std::string_view cell = table.cell(column, row);
  return dates.holdsDates(column) && row > 0 ? shownDateContains(cell, dates.form) : contains(cell);
}

bool TableSearch::rowMatches(const StringTable& table, const DateCells& dates, int row) const {
  if (empty()) return true;
  // Dates show in another form than they are stored: unless the needle is
  // one the stored form tells about, each date cell is looked at as shown.
  auto anyShownDate = [&] {
    if (storedDatesTell_ || row == 0) return false;
    for (int c : dates.columns)
      if (c >= 0 && c < table.columnCount() && shownDateContains(table.cell(c, row), dates.form)) return true;
    return false;
  };
  if (!ascii_) {
    if (!scan_.empty() && find(table.rowText(row), 0) == std::string_view::npos) return anyShownDate();
    for (int c = 0; c < table.columnCount(); ++c)
      if (cellContains(table, dates, c, row)) return true;
    return false;
  }
  const std::string_view text = table.rowText(row);
  // One scan over the whole row; a hit counts when it lies inside one cell,
  // else the scan goes on behind its start.
  int column = 0;
  size_t cellEnd = 0;
  for (size_t at = find(text, 0); at != std::string_view::npos; at = find(text, at + 1)) {
    while (column < table.columnCount() && cellEnd <= at) {
      const std::string_view cell = table.cell(column++, row);
      cellEnd = static_cast<size_t>(cell.data() - text.data()) + cell.size();
    }
    if (at + needle_.size() > cellEnd) continue;
    if (row == 0 || !dates.holdsDates(column - 1)) return true;
    if (shownDateContains(table.cell(column - 1, row), dates.form)) return true;
    at = cellEnd - 1;  // the rest of this date cell tells no more
  }
  return anyShownDate();
}

std::vector<int> filterRows(const StringTable& table, const DateCells& dates, const TableSearch& search) {
  // Each core looks at half of the rows; the second half's hits follow.
  const int middle = (table.rowCount() + 1) / 2;
  std::vector<int> rows, later;
  auto scan = [&](int from, int to, std::vector<int>& hits) {
    hits.reserve(static_cast<size_t>(std::max(to - from, 0)));
    for (int r = from; r < to; ++r)
      if (search.rowMatches(table, dates, r)) hits.push_back(r);
  };
  runBeside([&] { scan(std::max(middle, 1), table.rowCount(), later); }, [&] { scan(1, middle, rows); });
  rows.insert(rows.end(), later.begin(), later.end());
  return rows;
}

std::vector<int> filterRows(const StringTable& table, const DateCells& dates, const TableSearch& search,
                            std::span<const int> among) {
  std::vector<int> rows;
  for (int r : among)
    if (search.rowMatches(table, dates, r)) rows.push_back(r);
  return rows;
}

std::optional<ShownCell> findCell(const StringTable& table, const DateCells& dates, const TableSearch& search,
                                  std::span<const int> rows, std::span<const int> columns,
                                  ShownCell from, bool backward) {
  if (search.empty() || rows.empty() || columns.empty()) return std::nullopt;
  const int rowCount = static_cast<int>(rows.size());
  const int columnCount = static_cast<int>(columns.size());
  from.row = std::clamp(from.row, 0, rowCount - 1);
  from.column = std::clamp(from.column, 0, columnCount - 1);
  const int step = backward ? -1 : 1;
  // The rest of the starting row, every other row in turn, then the start
  // of the starting row up to and including `from`.
  for (int i = 0; i <= rowCount; ++i) {
    const int shownRow = ((from.row + step * i) % rowCount + rowCount) % rowCount;
    const int row = rows[static_cast<size_t>(shownRow)];
    if (i > 0 && i < rowCount && !search.rowMatches(table, dates, row)) continue;
    int begin = backward ? columnCount - 1 : 0;
    int end = backward ? -1 : columnCount;
    if (i == 0) begin = from.column + step;
    if (i == rowCount) end = from.column + step;
    for (int c = begin; c != end; c += step)
      if (search.cellContains(table, dates, columns[static_cast<size_t>(c)], row)) return ShownCell{shownRow, c};
  }
  return std::nullopt;
}

}  // namespace rowsmith
