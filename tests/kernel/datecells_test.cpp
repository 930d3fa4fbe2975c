#include "kernel/datecells.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/dates.h"

namespace rowsmith {
namespace {

TEST(DateCells, AGedcomDateIsStoredSortableAndShownInEitherForm) {
  struct Case {
    const char* gedcom;
    const char* western;
    const char* sortable;
  };
  for (const Case& c : {Case{"9 mar 1850", "09.03.1850", "18500309"}, Case{"19 DEZ 1850", "19.12.1850", "18501219"},
                        Case{"1850", "1850", "1850"}, Case{"ABT 12 JAN 1900", "ABT 12.01.1900", "ABT 19000112"},
                        Case{"ABT JAN 1900", "ABT01.1900", "ABT190001"}, Case{" 9 JAN 1850", "09.01.1850", "18500109"},
                        Case{"9 XYZ 1850", "9 XYZ 1850", "9 XYZ 1850"},
                        Case{"21 JAN 1652/53", "21 JAN 1652/53", "21 JAN 1652/53"},
                        Case{" 1850-1860 ", "1850-1860", "1850-1860"}, Case{"", "", ""}}) {
    std::string stored = "x";
    appendSortDate(stored, c.gedcom);
    EXPECT_EQ(stored, std::string("x") + c.sortable) << c.gedcom;
    std::string western, sortable;
    appendShownDate(western, c.sortable, DateForm::Western);
    appendShownDate(sortable, c.sortable, DateForm::Sortable);
    EXPECT_EQ(western, c.western) << c.gedcom;
    EXPECT_EQ(sortable, c.sortable) << c.gedcom;
  }
}

TEST(DateCells, TheDatesOfOneCellArePartedOnlyWhereTheBreakStands) {
  const std::string twice = std::string("18900503") + kDatePartBreak + "ABT 1895";
  std::string western, sortable;
  appendShownDate(western, twice, DateForm::Western);
  appendShownDate(sortable, twice, DateForm::Sortable);
  EXPECT_EQ(western, "03.05.1890 / ABT 1895");
  EXPECT_EQ(sortable, "18900503 / ABT 1895");
  // A date kept as written with a " / " of its own is no pair of dates.
  std::string kept;
  appendShownDate(kept, "18501231 / 5", DateForm::Western);
  EXPECT_EQ(kept, "18501231 / 5");

  StringTable table(2);
  table.setRowCount(2);
  table.setCell(0, 0, "Datum :");
  table.setCell(0, 1, twice);
  table.setCell(1, 1, "18900503");  // no date column: shown as stored
  const int columns[] = {0};
  const DateCells dates{columns, DateForm::Western};
  std::string scratch;
  EXPECT_EQ(dates.shown(table, 0, 0, scratch), "Datum :");
  EXPECT_EQ(dates.shown(table, 0, 1, scratch), "03.05.1890 / ABT 1895");
  EXPECT_EQ(dates.shown(table, 1, 1, scratch), "18900503");
}

}  // namespace
}  // namespace rowsmith
