#pragma once
// The sort that clicks on the column headers build. A click sorts by its
// column alone, a second click on the same column turns the direction; a
// Shift-click puts its column first and keeps the earlier keys behind it to
// decide ties, the oldest of five falling out. All keys share one direction.
#include <algorithm>
#include <array>
#include <span>

namespace rowsmith {

class SortKeys {
 public:
  static constexpr int kMaxKeys = 5;

  void click(int column, bool shift) {
    descending_ = column == clicked_ ? !descending_ : false;
    clicked_ = column;
    if (!shift) {
      keys_.fill(-1);
      keys_[0] = column;
      lastKey_ = 0;
      multi_ = false;
      return;
    }
    if (lastKey_ == -1) {
      lastKey_ = 0;
      keys_[0] = column;
    } else if (keys_[0] != column) {
      lastKey_ = std::min(lastKey_ + 1, kMaxKeys - 1);
      std::copy_backward(keys_.begin(), keys_.end() - 1, keys_.end());
      keys_[0] = column;
    }
    multi_ = true;
  }

  void clear() { *this = SortKeys(); }

  // The columns to sort by, the deciding one first; empty before any click.
  std::span<const int> keys() const { return std::span<const int>(keys_.data(), static_cast<size_t>(lastKey_ + 1)); }
  bool descending() const { return descending_; }
  // Where a column stands among the keys (0 decides), -1 when it is none.
  int rank(int column) const {
    if (column < 0) return -1;
    if (!multi_) return column == clicked_ ? 0 : -1;
    const std::span<const int> all = keys();
    const auto found = std::find(all.begin(), all.end(), column);
    return found == all.end() ? -1 : static_cast<int>(found - all.begin());
  }
  // How many keys the header marks.
  int count() const { return multi_ ? lastKey_ + 1 : (clicked_ >= 0 ? 1 : 0); }

 private:
  std::array<int, kMaxKeys> keys_{-1, -1, -1, -1, -1};
  int lastKey_ = -1;  // index of the last key in keys_
  int clicked_ = -1;  // the column clicked last
  bool descending_ = false;
  bool multi_ = false;
};

}  // namespace rowsmith
