#include <gtest/gtest.h>

#include <random>
#include <set>

#include "import/extractor.h"
#include "import/loadedgedcom.h"
#include "support/familylookups.h"
#include "import/rows.h"

namespace rowsmith {
namespace {

using test::assembleRows;
using test::LoadedGedcom;
using test::pairsOf;
using test::Rows;
using Pairs = std::vector<std::string>;

std::string gedcom(std::string_view records) { return "0 HEAD\n1 CHAR ANSI\n" + std::string(records) + "0 TRLR\n"; }

struct RowCase {
  const char* name;
  std::string records;
  Pairs expected;  // "left ID|marriage date|right ID" per row
};

TEST(AddPersonRows, PlacesCouplesAndSinglesInTheirRowsAndOrder) {
  const std::vector<RowCase> cases = {
      {"couple, wife first",
       "0 @I1@ INDI\n1 SEX F\n1 FAMS @F1@\n0 @I2@ INDI\n1 SEX M\n1 FAMS @F1@\n"
       "0 @F1@ FAM\n1 HUSB @I2@\n1 WIFE @I1@\n1 MARR\n2 DATE 1890\n",
       {"2|1890|1"}},
      {"woman, man and unknown sex alone; the sex in either case, padded",
       "0 @I1@ INDI\n1 SEX f\n0 @I2@ INDI\n1 SEX  m \n0 @I3@ INDI\n1 SEX U\n",
       {"||1", "2||", "||3"}},
      {"two men married: the first processed stands left",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F1@\n0 @I2@ INDI\n1 SEX M\n1 FAMS @F1@\n"
       "0 @F1@ FAM\n1 HUSB @I2@\n1 WIFE @I1@\n",
       {"1||2"}},
      {"a void partner (GEDCOM 7) leaves the woman alone with her family's marriage",
       "0 @I1@ INDI\n1 SEX F\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @VOID@\n1 WIFE @I1@\n1 MARR\n2 DATE 1900\n", {"|1900|1"}},
      {"a woman's partner stands left whatever his sex",
       "0 @I1@ INDI\n1 SEX F\n1 FAMS @F1@\n0 @I2@ INDI\n1 SEX F\n1 FAMS @F1@\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n",
       {"2||1"}},
      {"families without another spouse give rows of their own, in link order, once each",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F1@\n1 FAMS @F2@\n1 FAMS @F3@\n1 FAMS @F1@\n"
       "0 @I2@ INDI\n1 SEX F\n1 FAMS @F2@\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 MARR\n2 DATE 1880\n"
       "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1890\n"
       "0 @F3@ FAM\n1 HUSB @I1@\n1 WIFE @IX@\n1 MARR\n2 DATE 1899\n",
       {"1|1880|", "1|1890|2", "1|1899|"}},
      {"a partner's family without another spouse follows on the partner's own side",
       "0 @I1@ INDI\n1 SEX F\n1 FAMS @F1@\n0 @I2@ INDI\n1 SEX M\n1 FAMS @F1@\n1 FAMS @F2@\n"
       "0 @F1@ FAM\n1 HUSB @I2@\n1 WIFE @I1@\n1 MARR\n2 DATE 1890\n"
       "0 @F2@ FAM\n1 HUSB @I2@\n1 MARR\n2 DATE 1880\n",
       {"2|1890|1", "2|1880|"}},
      {"a person whose partners were all written keeps a row of its own",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F1@\n0 @I2@ INDI\n1 SEX F\n"
       "0 @I3@ INDI\n1 SEX M\n1 FAMS @F1@\n0 @I4@ INDI\n1 SEX F\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n",
       {"1||2", "3||", "||4"}},
      {"a shared family listed only by a third person in the spouse closure counts",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F4@\n1 FAMS @F2@\n0 @I2@ INDI\n1 SEX F\n1 FAMS @F1@\n0 @I3@ INDI\n1 SEX F\n"
       "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n0 @F4@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n2 DATE 1900\n",
       {"1|1900|3", "1||2"}},
      {"a shared family listed by someone outside the spouse closure counts when it names both",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F4@\n0 @I2@ INDI\n1 SEX F\n1 FAMS @F1@\n0 @I3@ INDI\n1 SEX F\n"
       "0 @F4@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n2 DATE 1900\n",
       {"1|1900|3", "||2"}},
      // Links count from either side.
      {"a family naming its couple, the persons naming no family",
       "0 @I1@ INDI\n1 SEX M\n0 @I2@ INDI\n1 SEX F\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1890\n",
       {"1|1890|2"}},
      {"own FAMS lines first, then the families naming the person in file order",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F3@\n0 @I2@ INDI\n1 SEX F\n0 @I3@ INDI\n1 SEX F\n0 @I4@ INDI\n1 SEX F\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1881\n"
       "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n2 DATE 1882\n"
       "0 @F3@ FAM\n1 HUSB @I1@\n1 WIFE @I4@\n1 MARR\n2 DATE 1883\n",
       {"1|1883|4", "1|1881|2", "1|1882|3"}},
      // One couple, two families: one row with both marriages.
      {"civil and church marriage",
       "0 @I1@ INDI\n1 SEX M\n1 FAMS @F1@\n1 FAMS @F2@\n0 @I2@ INDI\n1 SEX F\n1 FAMS @F2@\n1 FAMS @F1@\n"
       "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1890\n2 PLAC Amt\n"
       "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 PLAC Kirche\n2 DATE 1891\n",
       {"1|1890 / 1891|2"}},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedGedcom g(gedcom(c.records));
    EXPECT_EQ(pairsOf(assembleRows(g.db())), c.expected);
  }
}

TEST(AddPersonRows, ACoupleWithTwoFamiliesShowsTheMarriagesOfBothInFileOrder) {
  // Families at records 12 and 100 for the same couple: "12" sorts after
  // "100" as text, but the file has 12 first.
  std::string records =
      "0 @I1@ INDI\n1 SEX M\n1 FAMS @FA@\n1 FAMS @FB@\n0 @I2@ INDI\n1 SEX F\n1 FAMS @FA@\n1 FAMS @FB@\n";
  for (int i = 3; i < 12; ++i) records += "0 @N" + std::to_string(i) + "@ NOTE\n";
  records += "0 @FA@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1890\n";
  for (int i = 13; i < 100; ++i) records += "0 @M" + std::to_string(i) + "@ NOTE\n";
  records += "0 @FB@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1900\n";
  LoadedGedcom g(gedcom(records));
  ASSERT_EQ(g.id("@FA@"), 12);
  ASSERT_EQ(g.id("@FB@"), 100);
  EXPECT_EQ(pairsOf(assembleRows(g.db())), (Pairs{"1|1890 / 1900|2"}));
}

// The whole-file outputs show western dates; here the sortable ones, a note
// without its blank first and last lines, and a name of only a surname.
TEST(AddPersonRows, FillsEveryColumnOfACoupleRowWithSortableDates) {
  LoadedGedcom g(gedcom(
      "0 @I1@ INDI\n1 NAME Johann /Becker/\n1 SEX M\n1 BIRT\n2 DATE 21 JAN 1687\n2 PLAC Bremen\n1 CHR\n"
      "2 DATE 1 FEB 1687\n1 BURI\n2 DATE ABT 1750\n1 OCCU Schmied\n1 NOTE \n2 CONT first\n2 CONT second\n"
      "2 CONT \n1 FAMS @F1@\n0 @I2@ INDI\n1 NAME /Meyer/\n1 SEX F\n1 FAMS @F1@\n1 FAMC @FX@\n"
      "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 3 MAY 1710\n2 PLAC Koeln\n1 MARR\n2 DATE 1711\n"));
  const Rows rows = assembleRows(g.db(), false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{
                         "1", "Johann Becker", "Johann", "Becker", "M", "16870121", "Bremen", "16870201", "", "", "",
                         "ABT 1750", "", "", "Schmied", "first\r\nsecond", "0", "0", "17100503 / 1711", "Koeln / ",
                         "", "2", "NN Meyer", "NN", "Meyer", "W", "", "", "", "", "", "", "", "", "", "", "", "0", "0"}));
}

void WritePersonSide(Extractor& ex, StringTable& table, bool left, int row, int32_t p) {
  PreparedSide side;
  prepareSide(ex, p, side);
  const int offset = left ? 0 : kRightOffset;
  uint32_t begin = 0;
  for (size_t c = 0; c < kOwnCells; ++c) {
    table.setCell(offset + static_cast<int>(c), row, side.text.substr(begin, side.ends[c] - begin));
    begin = side.ends[c];
  }
  const Extractor::Couple parents = ex.parentCells(p);
  table.setCell(offset + 16, row, std::to_string(parents.husband));
  table.setCell(offset + 17, row, std::to_string(parents.wife));
}

// A plain recursive assembly straight from the rules, with every lookup done
// afresh, against which the indexed one is checked.
class ReferenceRows {
 public:
  ReferenceRows(Extractor& ex, StringTable& table) : ex_(ex), table_(table) {}
  int current = 1;

  void add(int32_t p, bool partnerCall) {
    if (!handled_.insert(p).second) return;
    TPersRec a;
    ex_.GetPersonRecord(p, a);
    const bool male = a.Sex == 1;
    bool pending = false;
    if (!partnerCall) {
      WritePersonSide(ex_, table_, male, current, p);
      pending = true;
    }
    std::vector<int32_t> spouses = test::GetSpouseList(ex_, p, false);
    std::span<const Extractor::FamsLink> links = ex_.famsLinks(p);
    std::set<int32_t> aloneDone;
    for (size_t i = 0; i < links.size(); ++i) {
      std::vector<int32_t> entries;
      for (int32_t s : {spouses[2 * i], spouses[2 * i + 1]}) {
        if (s != p) entries.push_back(s);
      }
      bool real = false;
      for (int32_t e : entries) real = real || e >= 1;
      if (!real) {
        if (!aloneDone.insert(links[i].family).second) continue;
        if (!pending) WritePersonSide(ex_, table_, male, current, p);
        marriage(links[i].family);
        ++current;
        pending = false;
        continue;
      }
      for (int32_t q : entries) {
        if (q < 1 || handled_.count(q)) continue;
        WritePersonSide(ex_, table_, !male, current, q);
        WritePersonSide(ex_, table_, male, current, p);
        std::vector<int32_t> shared;
        for (int32_t f : test::GetPersonFamilies(ex_, p)) {
          if (test::IsFamilySpouse(ex_, p, f) && test::IsFamilySpouse(ex_, q, f)) shared.push_back(f);
        }
        std::sort(shared.begin(), shared.end());
        if (!shared.empty()) marriage(shared);
        ++current;
        pending = false;
        add(q, true);
      }
    }
    if (pending) ++current;
  }

 private:
  void marriage(int32_t f) { marriage(std::vector<int32_t>{f}); }
  // A couple's families, their marriage events in file order.
  void marriage(const std::vector<int32_t>& families) {
    const MarriageItems items = ex_.GetMarriageItems(families);
    MarriageItems lines;
    for (size_t i = 0; i < items.size(); ++i) appendCrlfLines(lines[i], items[i]);
    std::string text;
    std::array<uint32_t, 3> ends;
    appendMarriageCells(text, ends, {lines[0], lines[1], lines[2], lines[3], lines[4]});
    table_.setCell(18, current, text.substr(0, ends[0]));
    table_.setCell(19, current, text.substr(ends[0], ends[1] - ends[0]));
    table_.setCell(20, current, text.substr(ends[1], ends[2] - ends[1]));
  }
  Extractor& ex_;
  StringTable& table_;
  std::set<int32_t> handled_;
};

Rows referenceRows(const GedcomIndex& db) {
  Extractor ex(db);
  StringTable table(39);
  table.setRowCount(1);
  ReferenceRows ref(ex, table);
  for (int32_t p : ex.GetPersonList()) ref.add(p, false);
  table.setRowCount(ref.current);
  test::showDates(table, true);
  return test::dataRows(table);
}

// Files full of one-sided, repeated, unknown and self links; small unless a
// size is given.
std::string randomFile(std::mt19937& rng, int size = 0) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int persons = size > 0 ? size : 2 + pick(9), families = size > 0 ? size * 2 / 3 : 1 + pick(7);
  auto person = [&]() { return pick(8) == 0 ? std::string("@IX@") : "@I" + std::to_string(1 + pick(persons)) + "@"; };
  auto family = [&]() { return pick(10) == 0 ? std::string("@FX@") : "@F" + std::to_string(1 + pick(families)) + "@"; };
  std::string text;
  std::vector<std::string> blocks;
  for (int i = 1; i <= persons; ++i) {
    std::string b = "0 @I" + std::to_string(i) + "@ INDI\n1 NAME P" + std::to_string(i) + " /X/\n";
    b += std::string("1 SEX ") + "MFU"[pick(3)] + "\n";
    for (int k = pick(4); k > 0; --k) b += "1 FAMS " + family() + "\n";
    if (pick(3) == 0) b += "1 FAMC " + family() + "\n";
    blocks.push_back(b);
  }
  for (int i = 1; i <= families; ++i) {
    std::string b = "0 @F" + std::to_string(i) + "@ FAM\n";
    for (int k = pick(4); k > 0; --k) {
      switch (pick(5)) {
        case 0: b += "1 HUSB " + person() + "\n"; break;
        case 1: b += "1 WIFE " + person() + "\n"; break;
        case 2: b += "2 HUSB " + person() + "\n"; break;
        case 3: b += "1 CHIL " + person() + "\n"; break;
        default: b += "1 MARR\n2 DATE " + std::to_string(1800 + pick(100)) + "\n"; break;
      }
    }
    if (pick(2)) b += "1 HUSB " + person() + "\n";
    if (pick(2)) b += "1 WIFE " + person() + "\n";
    blocks.push_back(b);
  }
  std::shuffle(blocks.begin(), blocks.end(), rng);
  for (const std::string& b : blocks) text += b;
  return gedcom(text);
}

TEST(AddPersonRows, MatchesAPlainRecursiveAssemblyOnRandomFiles) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 400; ++round) {
    std::string text = randomFile(rng);
    SCOPED_TRACE(text);
    LoadedGedcom g(text);
    Rows fast = assembleRows(g.db());
    Rows reference = referenceRows(g.db());
    ASSERT_EQ(fast, reference);
    for (const auto& row : fast) ASSERT_TRUE(!row[0].empty() || !row[21].empty()) << "blank row";
  }
}

// Large enough for the link index to be built in two halves, with the rows
// running into persons still being read ahead. The reference is slow on one
// large spouse closure, so the file stays at a few thousand records.
TEST(AddPersonRows, MatchesAPlainRecursiveAssemblyOnALargeRandomFile) {
  std::mt19937 rng(7);
  LoadedGedcom g(randomFile(rng, 3000));
  Rows fast = assembleRows(g.db());
  EXPECT_GT(fast.size(), 1000u);
  EXPECT_EQ(fast, referenceRows(g.db()));
}

TEST(AddPersonRows, ALongRemarriageChainNeedsNoCallDepth) {
  const int n = 20000;
  std::string text;
  text.reserve(static_cast<size_t>(n) * 80);
  for (int i = 1; i <= n; ++i) {
    text += "0 @I" + std::to_string(i) + "@ INDI\n1 SEX " + (i % 2 ? "M" : "F") + "\n";
    if (i > 1) text += "1 FAMS @F" + std::to_string(i - 1) + "@\n";
    if (i < n) text += "1 FAMS @F" + std::to_string(i) + "@\n";
  }
  for (int i = 1; i < n; ++i) {
    const bool oddHusband = i % 2 == 1;
    text += "0 @F" + std::to_string(i) + "@ FAM\n1 HUSB @I" + std::to_string(oddHusband ? i : i + 1) + "@\n1 WIFE @I" +
            std::to_string(oddHusband ? i + 1 : i) + "@\n1 MARR\n2 DATE " + std::to_string(1000 + i % 1000) + "\n";
  }
  LoadedGedcom g(gedcom(text));
  Rows rows = assembleRows(g.db());
  ASSERT_EQ(rows.size(), static_cast<size_t>(n - 1));
  // Row k pairs I(k) and I(k+1), the man on the left.
  for (int k : {1, 2, 3, n / 2, n - 1}) {
    const std::string a = std::to_string(k), b = std::to_string(k + 1);
    const std::string expected = k % 2 ? a + "|" + std::to_string(1000 + k % 1000) + "|" + b
                                       : b + "|" + std::to_string(1000 + k % 1000) + "|" + a;
    EXPECT_EQ(test::pairOf(rows[static_cast<size_t>(k - 1)]), expected) << k;
  }
}

// One man, his wives listed on his side: every wife's row shows her own
// family's marriage. How long it takes is the star benchmark's to tell.
TEST(AddPersonRows, OneManWithManyWivesGivesEachWifeHerOwnMarriage) {
  const int wives = 300;
  std::string text = "0 @I1@ INDI\n1 SEX M\n";
  for (int f = 1; f <= wives; ++f) text += "1 FAMS @F" + std::to_string(f) + "@\n";
  for (int f = 1; f <= wives; ++f) {
    text += "0 @I" + std::to_string(f + 1) + "@ INDI\n1 SEX F\n0 @F" + std::to_string(f) + "@ FAM\n1 HUSB @I1@\n1 WIFE @I" +
            std::to_string(f + 1) + "@\n1 MARR\n2 DATE " + std::to_string(1000 + f) + "\n";
  }
  LoadedGedcom g(gedcom(text));
  const Rows star = assembleRows(g.db());
  ASSERT_EQ(star.size(), static_cast<size_t>(wives));
  for (int f : {1, 2, wives})
    EXPECT_EQ(test::pairOf(star[static_cast<size_t>(f - 1)]), "1|" + std::to_string(1000 + f) + "|" + std::to_string(2 * f));  // wife f is record 2f
}

}  // namespace
}  // namespace rowsmith
