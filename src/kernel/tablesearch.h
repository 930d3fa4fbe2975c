#pragma once
// Find and filter over the result table: which cells contain a text, case
// ignored. Kept apart from the window so a million rows can be measured and
// tested without one.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/datecells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

class TableSearch {
 public:
  explicit TableSearch(std::string_view needle);
  bool empty() const { return needle_.empty(); }
  const std::string& needle() const { return needle_; }

  bool contains(std::string_view text) const;
  // Whether the cell, as shown (dates in their form), contains the needle.
  bool cellContains(const StringTable& table, const DateCells& dates, int column, int row) const;
  // Whether one of the row's cells, as shown, contains the needle (not
  // merely the row's text across the border of two cells).
  bool rowMatches(const StringTable& table, const DateCells& dates, int row) const;

 private:
  size_t find(std::string_view text, size_t from) const;
  bool shownDateContains(std::string_view stored, DateForm form) const;

  std::array<unsigned char, 256> fold_;
  // How far the needle may move when the byte under its last character is
  // b (Horspool): long needles skip most of a row's bytes unread.
  std::array<uint32_t, 256> shift_;
  std::string needle_;  // folded
  bool ascii_ = true;
  std::string unicodeNeedle_;  // upper-cased by character, when not ASCII
  std::string scan_;           // what find() looks for: the needle, or its longest ASCII stretch
  bool storedDatesTell_ = true;  // a shown date holds the needle only where its stored form does
};

// The data rows (1 and up) that match, in table order; every data row for
// an empty needle. Give `among` to search only those rows: typing one more
// letter can only narrow the previous result.
std::vector<int> filterRows(const StringTable& table, const DateCells& dates, const TableSearch& search);
std::vector<int> filterRows(const StringTable& table, const DateCells& dates, const TableSearch& search,
                            std::span<const int> among);

// A cell by its place in the shown order: the index into the shown rows and
// the index into the shown columns.
struct ShownCell {
  int row = 0;
  int column = 0;
  bool operator==(const ShownCell&) const = default;
};

// The next cell after `from` that contains the needle, going through the
// shown rows and columns in reading order (backwards when asked) and
// wrapping at the end; `from` itself comes last. Nothing when no cell does.
std::optional<ShownCell> findCell(const StringTable& table, const DateCells& dates, const TableSearch& search,
                                  std::span<const int> rows, std::span<const int> columns,
                                  ShownCell from, bool backward);

}  // namespace rowsmith
