#include "kernel/stringtable.h"

#include <algorithm>
#include <stdexcept>

namespace rowsmith {

StringTable::StringTable(int columns) : columns_(std::max(columns, 0)) {}

void StringTable::setRowCount(int rows) {
  rows = std::max(rows, 0);
  rows_.resize(static_cast<size_t>(rows));
  ends_.resize(static_cast<size_t>(rows) * columns_, 0);
}

void StringTable::reserveRows(int rows) {
  rows = std::max(rows, 0);
  rows_.reserve(static_cast<size_t>(rows));
  ends_.reserve(static_cast<size_t>(rows) * columns_);
}

std::string_view StringTable::cell(int column, int row) const {
  if (column < 0 || column >= columns_ || row < 0 || row >= rowCount()) return {};
  const uint32_t* ends = endsOf(row);
  uint32_t begin = column == 0 ? 0 : ends[column - 1];
  return std::string_view(rows_[row]).substr(begin, ends[column] - begin);
}

void StringTable::setCell(int column, int row, std::string_view text) {
  if (column < 0 || column >= columns_ || row < 0) return;
  if (row >= rowCount()) setRowCount(row + 1);
  uint32_t* ends = endsOf(row);
  std::string& data = rows_[row];
  uint32_t begin = column == 0 ? 0 : ends[column - 1];
  uint32_t oldLength = ends[column] - begin;
  if (data.size() - oldLength + text.size() > UINT32_MAX) throw std::length_error("row too long");
  data.replace(begin, oldLength, text);
  int64_t delta = static_cast<int64_t>(text.size()) - oldLength;
  for (int c = column; c < columns_; ++c) ends[c] = static_cast<uint32_t>(ends[c] + delta);
}

void StringTable::setRow(int row, std::span<const std::string> cells) {
  if (row < 0) return;
  if (row >= rowCount()) setRowCount(row + 1);
  const size_t count = std::min(cells.size(), static_cast<size_t>(columns_));
  size_t size = 0;
  for (size_t c = 0; c < count; ++c) size += cells[c].size();
  if (size > UINT32_MAX) throw std::length_error("row too long");
  std::string& data = rows_[row];
  data.clear();
  data.reserve(size);
  uint32_t* ends = endsOf(row);
  for (size_t c = 0; c < count; ++c) {
    data += cells[c];
    ends[c] = static_cast<uint32_t>(data.size());
  }
  std::fill(ends + count, ends + columns_, static_cast<uint32_t>(data.size()));
}

void StringTable::setRow(int row, std::string_view text, std::span<const uint32_t> ends) {
  if (row < 0) return;
  if (text.size() > UINT32_MAX) throw std::length_error("row too long");
  const size_t count = std::min(ends.size(), static_cast<size_t>(columns_));
  for (size_t c = 0; c < count; ++c) {
    if (ends[c] > text.size() || (c > 0 && ends[c] < ends[c - 1])) throw std::invalid_argument("cell ends out of order");
  }
  if (row >= rowCount()) setRowCount(row + 1);
  const uint32_t size = count == 0 ? 0 : ends[count - 1];
  rows_[row].assign(text.substr(0, size));
  uint32_t* own = endsOf(row);
  std::copy_n(ends.begin(), count, own);
  std::fill(own + count, own + columns_, size);
}

void StringTable::clearRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  rows_[row].clear();
  rows_[row].shrink_to_fit();
  std::fill_n(endsOf(row), columns_, 0u);
}

void StringTable::swapRows(int a, int b) {
  if (a == b) return;
  rows_[a].swap(rows_[b]);
  std::swap_ranges(endsOf(a), endsOf(a) + columns_, endsOf(b));
}

void StringTable::reorderRows(int first, std::span<const int32_t> order) {
  const size_t count = order.size();
  if (first < 0 || first + count > rows_.size()) throw std::out_of_range("rows to reorder");
  std::vector<std::string> rows(count);
  std::vector<uint32_t> ends(count * static_cast<size_t>(columns_));
  for (size_t k = 0; k < count; ++k) {
    const int from = first + order[k];
    rows[k] = std::move(rows_[static_cast<size_t>(from)]);
    std::copy_n(endsOf(from), columns_, ends.data() + k * static_cast<size_t>(columns_));
  }
  std::move(rows.begin(), rows.end(), rows_.begin() + first);
  std::copy(ends.begin(), ends.end(), endsOf(first));
}

}  // namespace rowsmith
