#pragma once
// A table of strings with a fixed column count and a growing row count.
// Each row keeps its cells in one buffer so a million rows stay compact.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rowsmith {

class StringTable {
 public:
  explicit StringTable(int columns = 0);

  int columnCount() const { return columns_; }
  int rowCount() const { return static_cast<int>(rows_.size()); }
  // Grows with empty rows or drops rows from the end.
  void setRowCount(int rows);
  // Room for this many rows, so that growing row by row up to it moves no
  // row; rooms never touched cost no memory.
  void reserveRows(int rows);

  std::string_view cell(int column, int row) const;
  void setCell(int column, int row, std::string_view text);
  // All cells of a row, one after the other, for scanning a row at once.
  std::string_view rowText(int row) const {
    return row >= 0 && row < rowCount() ? std::string_view(rows_[static_cast<size_t>(row)]) : std::string_view();
  }
  // The end offset of each cell within rowText(row); empty for a row that
  // does not exist.
  std::span<const uint32_t> cellEnds(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    return {endsOf(row), static_cast<size_t>(columns_)};
  }
  // Replaces a whole row by the given cells (missing ones empty), in one go.
  void setRow(int row, std::span<const std::string> cells);
  // The same from the row's text and each cell's end offset in it (missing
  // cells empty): a row built elsewhere is copied once.
  void setRow(int row, std::string_view text, std::span<const uint32_t> ends);
  void clearRow(int row);

  // Moves whole rows; cell contents never change.
  void swapRows(int a, int b);
  // Puts row first + order[k] at row first + k, for a permutation order.
  void reorderRows(int first, std::span<const int32_t> order);

 private:
  uint32_t* endsOf(int row) { return ends_.data() + static_cast<size_t>(row) * columns_; }
  const uint32_t* endsOf(int row) const { return ends_.data() + static_cast<size_t>(row) * columns_; }

  int columns_;
  std::vector<std::string> rows_;  // each row's cells, concatenated
  std::vector<uint32_t> ends_;     // end offset of each cell within its row
};

}  // namespace rowsmith
