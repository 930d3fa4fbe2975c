#include <gtest/gtest.h>

#include "import/extractor.h"
#include "import/loadedgedcom.h"

namespace rowsmith {
namespace {

using test::LoadedGedcom;
using Ids = std::vector<int32_t>;

// The parent cells of p, the link index built first.
Ids parentsOf(Extractor& ex, int32_t p) {
  ex.famsLinks(0);
  const Extractor::Couple parents = ex.parentCells(p);
  return {parents.husband, parents.wife};
}

struct MarriageCase {
  const char* name;
  std::string lines;
  std::array<std::string, 5> expected;
};

TEST(GetMarriageItems, TakesDatesPlacesAndNotesOfTheMarriageEvents) {
  const std::vector<MarriageCase> cases = {
      {"second marriage with its place before its date",
       "1 MARR\n2 DATE 1890\n2 PLAC Koeln\n1 MARR\n2 PLAC Bonn\n2 DATE 1895\n", {"1890", "Koeln", "1895", "Bonn", ""}},
      {"a place without a date", "1 MARR\n2 PLAC Koeln\n1 MARR\n2 DATE 1895\n", {"", "Koeln", "1895", "", ""}},
      {"a later date of one event overwrites", "1 MARR\n2 DATE 1890\n2 DATE 1891\n", {"1891", "", "", "", ""}},
      {"a third marriage replaces the second whole",
       "1 MARR\n2 DATE 1890\n1 MARR\n2 DATE 1895\n2 PLAC Bonn\n1 MARR\n2 DATE 1899\n", {"1890", "", "1899", "", ""}},
      {"an event without date or place is no marriage of its own",
       "1 MARR\n1 MARR\n2 PLAC Koeln\n2 DATE 1890\n", {"1890", "Koeln", "", "", ""}},
      {"dates under a source or a divorce are not marriage dates",
       "1 MARR\n2 SOUR @S1@\n3 DATE 1777\n1 DIV\n2 DATE 1900\n", {"", "", "", "", ""}},
      {"notes", "1 NOTE Hochzeit im Dom\n2 CONT zweite\n", {"", "", "", "", "Hochzeit im Dom\nzweite\n"}},
      {"a tab inside a place stays in the place", "1 MARR\n2 DATE 1890\n2 PLAC a\tb\n",
       {"1890", "a\tb", "", "", ""}},
  };
  for (const MarriageCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedGedcom g("0 HEAD\n1 CHAR ANSI\n0 @F1@ FAM\n" + c.lines + "0 TRLR\n");
    MarriageItems items = Extractor(g.db()).GetMarriageItems(1);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(items[i], c.expected[i]) << i;
  }
}

// One couple's several families: their MARR events in the order given, by
// the one rule, and the notes of all.
TEST(GetMarriageItems, SeveralFamiliesOfOneCoupleInFileOrder) {
  LoadedGedcom g(
      "0 HEAD\n1 CHAR ANSI\n"
      "0 @F1@ FAM\n1 MARR\n2 DATE 1890\n1 NOTE civil\n"
      "0 @F2@ FAM\n1 MARR\n2 PLAC Kirche\n2 DATE 1891\n1 NOTE church\n2 CONT second line\n"
      "0 @F3@ FAM\n1 MARR\n1 NOTE nothing known\n"
      "0 @F4@ FAM\n1 MARR\n2 PLAC Rom\n"
      "0 TRLR\n");
  const Extractor ex(g.db());
  const int32_t f1 = g.id("@F1@"), f2 = g.id("@F2@"), f3 = g.id("@F3@"), f4 = g.id("@F4@");
  EXPECT_EQ(ex.GetMarriageItems(std::vector<int32_t>{f1, f2}),
            (MarriageItems{"1890", "", "1891", "Kirche", "civil\nchurch\nsecond line\n"}));
  EXPECT_EQ(ex.GetMarriageItems(std::vector<int32_t>{f3, f2, f4}),
            (MarriageItems{"1891", "Kirche", "", "Rom", "nothing known\nchurch\nsecond line\n"}));
  EXPECT_EQ(ex.GetMarriageItems(std::vector<int32_t>{f1}), ex.GetMarriageItems(f1));
}

TEST(MarriageCells, ShowTheSecondPlaceOnlyWithASecondDate) {
  auto cells = [](const std::array<std::string_view, 5>& items, bool western) {
    std::string text = "x";
    std::array<uint32_t, 3> ends;
    appendMarriageCells(text, ends, items);
    std::string shown;
    appendShownDate(shown, std::string_view(text).substr(0, ends[0]), western ? DateForm::Western : DateForm::Sortable);
    return text.substr(ends[0]) + "|" + shown;
  };
  EXPECT_EQ(cells({"18900503", "Koeln", "", "Bonn", ""}, true), "Koeln|x03.05.1890");
  EXPECT_EQ(cells({"18900503", "Koeln", "1895", "", ""}, true), "Koeln / |x03.05.1890 / 1895");
  EXPECT_EQ(cells({"18900503", "", "1895", "", ""}, false), " / |x18900503 / 1895");
}

TEST(ParentCells, ResolvesTheParentsFamily) {
  LoadedGedcom g(
      "0 HEAD\n1 CHAR ANSI\n"
      "0 @I1@ INDI\n1 FAMC @F1@\n"          // 1: both parents
      "0 @I2@ INDI\n1 FAMC @F2@\n"          // 2: no HUSB line
      "0 @I3@ INDI\n1 FAMC @F3@\n"          // 3: unknown HUSB
      "0 @I4@ INDI\n1 FAMC @FX@\n1 FAMC @F1@\n"  // 4: a FAMC naming no record is no link
      "0 @I5@ INDI\n1 FAMC @F4@\n"          // 5: value-less HUSB/WIFE under MARR do not count
      "0 @I6@ INDI\n1 FAMC @F5@\n"          // 6: own parent shows as 0
      "0 @F1@ FAM\n1 HUSB @I5@\n1 WIFE @I6@\n"
      "0 @F2@ FAM\n1 WIFE @I6@\n"
      "0 @F3@ FAM\n1 HUSB @IX@\n1 WIFE @I6@\n"
      "0 @F4@ FAM\n1 MARR\n2 HUSB\n3 AGE 30\n2 WIFE\n3 AGE 20\n1 HUSB @I1@\n1 WIFE @I2@\n"
      "0 @F5@ FAM\n1 HUSB @I6@\n1 WIFE @I5@\n"
      "0 TRLR\n");
  Extractor ex(g.db());
  EXPECT_EQ(parentsOf(ex, 1), (Ids{5, 6}));
  EXPECT_EQ(parentsOf(ex, 2), (Ids{0, 6}));
  EXPECT_EQ(parentsOf(ex, 3), (Ids{-1, 6}));
  EXPECT_EQ(parentsOf(ex, 4), (Ids{5, 6}));
  EXPECT_EQ(parentsOf(ex, 5), (Ids{1, 2}));
  EXPECT_EQ(parentsOf(ex, 6), (Ids{0, 5}));
  EXPECT_EQ(parentsOf(ex, 0), (Ids{0, 0}));
}

// The parents are the birth family's: the first FAMC whose PEDI is birth or
// absent, then a family naming the person as a child; an adoptive family
// only when nothing else is known.
TEST(ParentCells, ChoosesTheBirthFamily) {
  LoadedGedcom g(
      "0 HEAD\n1 CHAR ANSI\n"
      "0 @I1@ INDI\n1 FAMC @F1@\n1 FAMC @F2@\n2 PEDI adopted\n"             // 1: birth family first
      "0 @I2@ INDI\n1 FAMC @F2@\n2 PEDI adopted\n1 FAMC @F1@\n2 PEDI birth\n"  // 2: birth family last
      "0 @I3@ INDI\n1 FAMC @F2@\n2 PEDI foster\n"                           // 3: only a foster family
      "0 @I4@ INDI\n1 FAMC @F2@\n2 PEDI adopted\n"                          // 4: F1 names it a child
      "0 @I5@ INDI\n"                                                       // 5: named by F1 and F2
      "0 @I6@ INDI\n1 FAMC @FX@\n"                                           // 6: only an unknown family
      "0 @I7@ INDI\n1 FAMC @F2@\n2 PEDI BIRTH\n"                             // 7: GEDCOM 7 spelling
      "0 @M1@ INDI\n0 @W1@ INDI\n0 @M2@ INDI\n0 @W2@ INDI\n"
      "0 @F1@ FAM\n1 HUSB @M1@\n1 WIFE @W1@\n1 CHIL @I4@\n1 CHIL @I5@\n"
      "0 @F2@ FAM\n1 HUSB @M2@\n1 WIFE @W2@\n1 CHIL @I5@\n"
      "0 TRLR\n");
  Extractor ex(g.db());
  const Ids birth{g.id("@M1@"), g.id("@W1@")}, other{g.id("@M2@"), g.id("@W2@")};
  EXPECT_EQ(parentsOf(ex, g.id("@I1@")), birth);
  EXPECT_EQ(parentsOf(ex, g.id("@I2@")), birth);
  EXPECT_EQ(parentsOf(ex, g.id("@I3@")), other);
  EXPECT_EQ(parentsOf(ex, g.id("@I4@")), birth);
  EXPECT_EQ(parentsOf(ex, g.id("@I5@")), birth);
  EXPECT_EQ(parentsOf(ex, g.id("@I6@")), (Ids{0, 0}));
  EXPECT_EQ(parentsOf(ex, g.id("@I7@")), other);
}

}  // namespace
}  // namespace rowsmith
