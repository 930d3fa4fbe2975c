#include "kernel/sortkeys.h"

#include <vector>

#include <gtest/gtest.h>

namespace rowsmith {
namespace {

struct Click {
  int column;
  bool shift;
};

TEST(SortKeys, ClicksBuildKeysRanksAndDirection) {
  struct Case {
    const char* what;
    std::vector<Click> clicks;
    std::vector<int> keys;
    bool descending;
    std::vector<int> ranks;  // of columns 0..7
  };
  const Case cases[] = {
      {"nothing clicked", {}, {}, false, {-1, -1, -1, -1, -1, -1, -1, -1}},
      {"one click", {{3, false}}, {3}, false, {-1, -1, -1, 0, -1, -1, -1, -1}},
      {"the same column again turns", {{3, false}, {3, false}}, {3}, true, {-1, -1, -1, 0, -1, -1, -1, -1}},
      {"another column starts ascending", {{3, false}, {3, false}, {4, false}}, {4}, false,
       {-1, -1, -1, -1, 0, -1, -1, -1}},
      {"Shift puts the newest first", {{1, true}, {2, true}, {5, true}}, {5, 2, 1}, false,
       {-1, 2, 1, -1, -1, 0, -1, -1}},
      {"the oldest of five falls out",
       {{1, true}, {2, true}, {3, true}, {4, true}, {5, true}, {6, true}}, {6, 5, 4, 3, 2}, false,
       {-1, -1, 4, 3, 2, 1, 0, -1}},
      {"Shift on the first key turns only", {{1, true}, {2, true}, {2, true}}, {2, 1}, true,
       {-1, 1, 0, -1, -1, -1, -1, -1}},
      {"a plain click drops the Shift keys", {{1, true}, {2, true}, {7, false}}, {7}, false,
       {-1, -1, -1, -1, -1, -1, -1, 0}},
      {"Shift after a plain click keeps it", {{1, false}, {2, true}}, {2, 1}, false,
       {-1, 1, 0, -1, -1, -1, -1, -1}},
      {"a column twice ranks where it decides", {{1, true}, {2, true}, {1, true}}, {1, 2, 1}, false,
       {-1, 0, 1, -1, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SortKeys sort;
    for (const Click& click : c.clicks) sort.click(click.column, click.shift);
    EXPECT_EQ(std::vector<int>(sort.keys().begin(), sort.keys().end()), c.keys);
    EXPECT_EQ(sort.descending(), c.descending);
    EXPECT_EQ(sort.count(), static_cast<int>(c.keys.size()));
    for (int column = 0; column < 8; ++column) EXPECT_EQ(sort.rank(column), c.ranks[static_cast<size_t>(column)]);
    sort.clear();
    EXPECT_EQ(sort, SortKeys());
  }
}

}  // namespace
}  // namespace rowsmith
