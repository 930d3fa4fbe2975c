#include "kernel/sortkeys.h"

#include <algorithm>
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
  };
  const Case cases[] = {
      {"nothing clicked", {}, {}, false},
      {"one click", {{3, false}}, {3}, false},
      {"the same column again turns", {{3, false}, {3, false}}, {3}, true},
      {"another column starts ascending", {{3, false}, {3, false}, {4, false}}, {4}, false},
      {"Shift puts the newest first", {{1, true}, {2, true}, {5, true}}, {5, 2, 1}, false},
      {"the oldest of five falls out", {{1, true}, {2, true}, {3, true}, {4, true}, {5, true}, {6, true}},
       {6, 5, 4, 3, 2}, false},
      {"Shift on the first key turns only", {{1, true}, {2, true}, {2, true}}, {2, 1}, true},
      {"a plain click drops the Shift keys", {{1, true}, {2, true}, {7, false}}, {7}, false},
      {"Shift after a plain click keeps it", {{1, false}, {2, true}}, {2, 1}, false},
      {"a column twice", {{1, true}, {2, true}, {1, true}}, {1, 2, 1}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SortKeys sort;
    for (const Click& click : c.clicks) sort.click(click.column, click.shift);
    EXPECT_EQ(std::vector<int>(sort.keys().begin(), sort.keys().end()), c.keys);
    EXPECT_EQ(sort.descending(), c.descending);
    EXPECT_EQ(sort.count(), static_cast<int>(c.keys.size()));
    // A column ranks where it first stands, which is where it decides.
    for (int column = 0; column < 8; ++column) {
      const auto first = std::find(c.keys.begin(), c.keys.end(), column);
      EXPECT_EQ(sort.rank(column), first == c.keys.end() ? -1 : static_cast<int>(first - c.keys.begin())) << column;
    }
  }
}

}  // namespace
}  // namespace rowsmith
