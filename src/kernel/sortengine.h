#pragma once
// Sorting the data rows of a table by up to 256 key columns. Each key
// compares its column by date key, as numbers or as text, decided once per
// sort: the date columns by the date their stored form holds, the others as
// numbers when every non-empty cell is one, else as text. An empty cell is the smallest value of every kind.
// Row 0 is the header and never takes part.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "kernel/datecells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

inline constexpr int kMaxSortKeys = 256;

// Leading blanks, optional sign, digits with an optional "." (digits may be
// missing on one side), optional exponent; nothing may follow.
std::optional<long double> readSortNumber(std::string_view text);
// year * 10000 + month * 100 + day, month and day 0 where the date lacks
// them: the first date of the text in D.M.YYYY, M.YYYY, YYYY, YYYYMMDD or
// YYYYMM, after any leading words ("ABT", "um", ...); nothing without one.
std::optional<int64_t> readDateKey(std::string_view text);
// Text order: each character upper-cased by the simple Unicode mapping, then
// compared by its Windows-1252 byte, or 256 + its code point where the code
// page lacks it. -1, 0 or 1.
int compareSortText(std::string_view a, std::string_view b);

// Every non-empty cell of rows 1.. reads as a number after "," -> ".".
bool IsNumericColumn(const StringTable& table, int column);

struct SortKey {
  int column = -1;
  bool numeric = false;
  bool date = false;
};
// The keys of a sort with their column kinds decided (at most kMaxSortKeys).
// The table cannot tell which columns hold dates: dates says so.
std::vector<SortKey> classifySortKeys(const StringTable& table, std::span<const int> columns,
                                      const DateCells& dates = {});
// -1, 0 or 1: the first key that tells rows a and b apart decides. Converts
// both cells at every call; the sort itself uses precomputed values. A date
// cell without a date compares by the text it shows.
int CompareGridRows(const StringTable& table, int rowA, int rowB, std::span<const SortKey> keys,
                    const DateCells& dates = {});

// Sorts rows first..last in place by the key columns (not stable; equal
// rows end in the order boundedQuickSort gives them).
void SortGridRows(StringTable& table, int first, int last, bool descending, std::span<const int> keyColumns,
                  const DateCells& dates = {});

// Sorts the data rows and returns where the row selectedRow went (the last
// row for a selectedRow that is no data row).
int SortTableKeepingRow(StringTable& table, std::span<const int> keyColumns, bool descending, int selectedRow,
                        const DateCells& dates = {});

// Merge sort from the bottom up: stable, n log n, no recursion, and like
// the quicksort never leaves the range whatever the comparator answers.
template <class T, class Before>
void boundedMergeSort(std::span<T> items, Before before) {
  const size_t n = items.size();
  if (n < 2) return;
  std::vector<T> buffer(items.begin(), items.end());
  T* from = items.data();
  T* to = buffer.data();
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      size_t a = lo, b = mid, k = lo;
      while (a < mid && b < hi) to[k++] = before(from[b], from[a]) ? from[b++] : from[a++];
      while (a < mid) to[k++] = from[a++];
      while (b < hi) to[k++] = from[b++];
    }
    std::swap(from, to);
  }
  if (from != items.data()) std::copy(from, from + n, items.data());
}

// How many partitions deep the quicksort of n items goes before the rest of
// a part is merge sorted: far beyond what ordinary data needs (about three
// times log2 n at random), so only inputs that defeat the middle pivot, such
// as keys that rise and then fall, take the merge sort.
inline int quickSortDepthLimit(size_t n) { return 3 * static_cast<int>(std::bit_width(n)) + 16; }

// Middle-pivot quicksort on items. before(x, pivot) / before(pivot, x) drive
// the two scans. The scans never leave the range and the recursion goes into
// the smaller part, so a comparator that contradicts itself can only give a
// strange order, never a crash or a deep stack. A part still unsorted after
// depthLeft partitions is merge sorted, so the worst case is n log n.
template <class T, class Before>
void boundedQuickSort(std::span<T> items, Before before, int depthLeft) {
  if (items.size() < 2) return;
  std::ptrdiff_t lo = 0;
  std::ptrdiff_t hi = static_cast<std::ptrdiff_t>(items.size()) - 1;
  for (;; --depthLeft) {
    if (depthLeft <= 0) {
      boundedMergeSort(items.subspan(static_cast<size_t>(lo), static_cast<size_t>(hi - lo + 1)), before);
      return;
    }
    const T pivot = items[static_cast<size_t>((lo + hi) / 2)];
    std::ptrdiff_t i = lo;
    std::ptrdiff_t j = hi;
    do {
      while (i < hi && before(items[static_cast<size_t>(i)], pivot)) ++i;
      while (j > lo && before(pivot, items[static_cast<size_t>(j)])) --j;
      if (i <= j) {
        std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    // lo..j and i..hi are disjoint and each shorter than lo..hi.
    if (j - lo < hi - i) {
      if (lo < j)
        boundedQuickSort(items.subspan(static_cast<size_t>(lo), static_cast<size_t>(j - lo + 1)), before,
                         depthLeft - 1);
      if (i >= hi) return;
      lo = i;
    } else {
      if (i < hi)
        boundedQuickSort(items.subspan(static_cast<size_t>(i), static_cast<size_t>(hi - i + 1)), before,
                         depthLeft - 1);
      if (lo >= j) return;
      hi = j;
    }
  }
}

template <class T, class Before>
void boundedQuickSort(std::span<T> items, Before before) {
  boundedQuickSort(items, before, quickSortDepthLimit(items.size()));
}

}  // namespace rowsmith
