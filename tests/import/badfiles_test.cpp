// Damaged and unusual GEDCOM files with the outcome each must have: its rows,
// or the defined failure (the reader's counter, no rows, no message).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/importcheck.h"
#include "import/loadedgedcom.h"

namespace rowsmith {
namespace {

using test::crlf;
using test::utf16;
using namespace std::string_literals;

// Counting words: no two stretches of the text alike, so a lost or moved
// piece shows.
std::string longText(size_t size, char seed) {
  std::string text(1, seed);
  for (size_t i = 0; text.size() < size; ++i) text += ' ' + std::to_string(i);
  text.resize(size);
  text.back() = 'z';
  return text;
}

const std::string kCouple =
    "0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F1@\n"
    "0 @I2@ INDI\n1 NAME Rosa /Frau/\n1 SEX F\n1 FAMS @F1@\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 3 MAY 1890\n";

struct Cell {
  int row, column;
  std::string text;
};

struct Case {
  const char* name;
  std::string bytes;
  // The reader's counter: -1 no header; 1 any positive count.
  int counter;
  // The data rows in short: left ID | marriage date | right ID.
  std::vector<std::string> rows;
  std::vector<Cell> cells = {};
};

std::vector<Case> catalogue() {
  std::vector<Case> cases;
  const std::string head = "0 HEAD\n1 CHAR ANSI\n";
  // A whole file of these records with CR LF line ends.
  auto whole = [&](const std::string& records) { return crlf(head + records + "0 TRLR\n"); };

  // No header on the first line: nothing is read, no message.
  cases.push_back({"empty file", "", -1, {}});
  cases.push_back({"only a UTF-8 byte-order mark", "\xEF\xBB\xBF", -1, {}});
  cases.push_back({"empty lines before the header", crlf("\n \n") + whole(kCouple), 1, {"1|03.05.1890|2"}});
  cases.push_back({"text before the header's line", crlf("x\n") + whole(kCouple), -1, {}});
  cases.push_back({"NUL-filled file", std::string(4096, '\0'), -1, {}});

  // Cut in the middle of a record: the last, incomplete line still counts.
  // The WIFE link is cut to "@I", which names nobody: the husband stands
  // alone with the family's marriage, the wife keeps a row of her own.
  cases.push_back({"truncated in a family record",
                   crlf(head + "0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F1@\n0 @I2@ INDI\n"
                               "1 NAME Rosa /Frau/\n1 SEX F\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n1 MARR\n"
                               "2 DATE 3 MAY 1890\n1 WIFE @I"),
                   1, {"1|03.05.1890|", "||2"}});
  // Cut inside a name: the surname has no closing slash, so the whole NAME
  // value is the surname.
  cases.push_back({"truncated in a name", crlf(head + "0 @I1@ INDI\n1 SEX F\n1 NAME Anna /Ber"), 1, {"||1"},
                   {{1, 22, "Anna Anna /Ber"}, {1, 23, "Anna"}, {1, 24, "Anna /Ber"}}});
  cases.push_back({"no trailer, ends without a line break", crlf(head + kCouple + "1 NOTE Dom"), 1,
                   {"1|03.05.1890|2"}, {{1, 20, "Dom\r\n"}}});

  // Two individuals bear @I1@: links find the first. The second F1 is never
  // reached, so its marriage is not shown.
  cases.push_back({"duplicate cross-references",
                   whole("0 @I1@ INDI\n1 NAME Karl /Erst/\n1 SEX M\n1 FAMS @F1@\n"
                         "0 @I1@ INDI\n1 NAME Kurt /Zweit/\n1 SEX M\n1 FAMS @F1@\n"
                         "0 @I2@ INDI\n1 NAME Rosa /Frau/\n1 SEX F\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n"
                         "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 MARR\n2 DATE 1900\n"),
                   1, {"1|1900|3", "2||"}, {{1, 3, "Erst"}, {2, 3, "Zweit"}}});
  cases.push_back({"FAMS to a missing family", whole("0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F9@\n"), 1,
                   {"1||"}});
  // Karl is a child of his own family: his own entry as a parent is "0".
  cases.push_back({"a person as their own parent",
                   whole("0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F1@\n1 FAMC @F1@\n"
                         "0 @I2@ INDI\n1 NAME Rosa /Frau/\n1 SEX F\n1 FAMS @F1@\n"
                         "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I1@\n"),
                   1, {"1||2"}, {{1, 16, "0"}, {1, 17, "2"}, {1, 37, "0"}, {1, 38, "0"}}});
  // Two generations that are each other's parents: one step each, no walk.
  cases.push_back({"parents in a loop",
                   whole("0 @I1@ INDI\n1 NAME Alt /Eins/\n1 SEX M\n1 FAMC @F2@\n1 FAMS @F1@\n"
                         "0 @I2@ INDI\n1 NAME Jung /Zwei/\n1 SEX M\n1 FAMC @F1@\n1 FAMS @F2@\n"
                         "0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I2@\n0 @F2@ FAM\n1 HUSB @I2@\n1 CHIL @I1@\n"),
                   1, {"1||", "2||"}, {{1, 16, "2"}, {2, 16, "1"}}});
  // Husband and wife are the same person: no partner, the person alone
  // with the family's marriage.
  cases.push_back({"a person as their own spouse",
                   whole("0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F1@\n"
                         "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I1@\n1 MARR\n2 DATE 1 JAN 1900\n"),
                   1, {"1|01.01.1900|"}});
  cases.push_back({"a child listed twice",
                   whole(kCouple + "1 CHIL @I3@\n1 CHIL @I3@\n0 @I3@ INDI\n1 NAME Paul /Mann/\n1 SEX M\n1 FAMC @F1@\n"),
                   1, {"1|03.05.1890|2", "4||"}, {{2, 16, "1"}, {2, 17, "2"}}});

  // Levels are one digit: "10" to "99" are levels 1 to 9 with the second
  // digit as tag. Nothing of the deep lines reaches the person; the lines
  // after them are read as usual.
  {
    std::string deep = "0 @I1@ INDI\n1 NAME Tief /Ebene/\n1 SEX M\n1 BIRT\n2 DATE 2 FEB 1902\n1 DEAT\n2 PLAC Ende\n";
    for (int level = 3; level <= 100; ++level) deep += std::to_string(level) + " DATE 1 JAN 1999\n";
    cases.push_back({"100 nesting levels", whole(deep + "1 OCCU Bauer\n"), 1, {"1||"},
                     {{1, 5, "02.02.1902"}, {1, 9, ""}, {1, 10, "Ende"}, {1, 14, "Bauer"}}});
  }
  // "11 PLAC" is a level-1 line: it ends the birth event, so the PLAC after
  // it is not the birth place; "10 CONC" does not continue the note.
  cases.push_back({"a level with two digits",
                   whole("0 @I1@ INDI\n1 NAME Zwei /Stellen/\n1 SEX M\n1 BIRT\n2 DATE 3 MAR 1903\n"
                         "11 PLAC Irgendwo\n2 PLAC Nachher\n1 NOTE Anfang\n10 CONC Ende\n"),
                   1, {"1||"}, {{1, 5, "03.03.1903"}, {1, 6, ""}, {1, 15, "Anfang"}}});

  // Long values are kept whole, however the index splits them.
  {
    const std::string note = longText(5 * 1024 * 1024, 'n');
    cases.push_back({"a 5 MB single note", whole("0 @I1@ INDI\n1 NAME Lang /Notiz/\n1 SEX F\n1 NOTE " + note + "\n"),
                     1, {"||1"}, {{1, 36, note}}});
  }
  {
    const std::string place = longText(100000, 'p'), job = longText(100000, 'j');
    cases.push_back({"lines of 100,000 characters",
                     whole("0 @I1@ INDI\n1 NAME Lang /Zeile/\n1 SEX M\n1 BIRT\n2 PLAC " + place + "\n" +
                           std::string(100000, 'x') + "\n1 OCCU " + job + "\n"),
                     1, {"1||"}, {{1, 6, place}, {1, 14, job}}});
  }
  // The index keeps 32 characters of a cross-reference; links are looked up
  // by as many, so the couple stays together.
  {
    const std::string husband = "@I" + std::string(197, 'h') + "@", wife = "@I" + std::string(197, 'w') + "@";
    const std::string family = "@F" + std::string(197, 'f') + "@";
    cases.push_back({"cross-references of 200 characters",
                     whole("0 " + husband + " INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS " + family + "\n0 " + wife +
                           " INDI\n1 NAME Rosa /Frau/\n1 SEX F\n1 FAMS " + family + "\n0 " + family + " FAM\n1 HUSB " +
                           husband + "\n1 WIFE " + wife + "\n1 MARR\n2 DATE 3 MAY 1890\n"),
                     1, {"1|03.05.1890|2"}});
  }

  // 16-bit text, with or without a CHAR line, is read as UTF-16.
  const std::u16string names = u"0 HEAD\r\n0 @I1@ INDI\r\n1 NAME J\u00FCrgen /W\u0105sowski/\r\n1 SEX M\r\n1 BIRT\r\n"
                               u"2 PLAC \u0141\u00F3d\u017A \U0001F600\r\n0 TRLR\r\n";
  cases.push_back({"UTF-16 without CHAR", utf16(names, false), 1, {"1||"},
                   {{1, 2, "Jürgen"}, {1, 3, "Wąsowski"}, {1, 6, "Łódź 😀"}}});
  // A lone surrogate is U+FFFD, a NUL character is dropped, and the odd last
  // byte of a cut file is U+FFFD too.
  cases.push_back({"UTF-16 big-endian with lone surrogates, NUL and an odd length",
                   utf16(u"0 HEAD\r\n1 CHAR UNICODE\r\n0 @I1@ INDI\r\n1 NAME A\xD800na /Ma\0nn/\r\n1 SEX F\r\n"
                         u"1 BIRT\r\n2 PLAC Ort\xDC00"s, true) + "x",
                   1, {"||1"}, {{1, 23, "A\uFFFDna"}, {1, 24, "Mann"}, {1, 27, "Ort\uFFFD\uFFFD"}}});
  // Well-formed sequences are characters, every other byte its Windows-1252
  // character; a NUL byte is dropped.
  cases.push_back({"UTF-8 with invalid sequences",
                   crlf("0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME J\xC3\xBCrgen\xC3 /Gr\xC0\xAF\xA4" "e/\n1 SEX M\n"
                        "1 BIRT\n2 PLAC Ort \xF0\x9F\x98\x80 \xC3(\xC2\xA0\xE2\x82\n1 OCCU Bau\0er\n0 TRLR\n"s),
                   1, {"1||"}, {{1, 2, "JürgenÃ"}, {1, 3, "GrÀ¯¤e"}, {1, 6, "Ort 😀 Ã(\u00A0â‚"}, {1, 14, "Bauer"}}});
  // ANSEL: every mark follows its letter and composes, a mark before a blank
  // is the spacing accent; a byte without an ANSEL meaning is its
  // Windows-1252 character.
  cases.push_back({"ANSEL marks on letters without a table entry",
                   crlf("0 HEAD\n1 CHAR ANSEL\n0 @I1@ INDI\n1 NAME \xE2Zofia /\xE9Sebesty\xE2" "en/\n1 SEX F\n"
                        "1 BIRT\n2 PLAC Pl\xE9zen\xE8 \x81\xD0\n0 TRLR\n"),
                   1, {"||1"}, {{1, 23, "Źofia"}, {1, 24, "Šebestyén"}, {1, 27, "Plžen¨\u0081Ð"}}});

  // Line ends are decided by the first line. After a CR LF first line an LF
  // alone ends no line, so the record it should end swallows the next line
  // and is no individual any more; CR alone ends a line.
  cases.push_back({"mixed line ends after a CR LF first line",
                   "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r1 NAME Anna /Cr/\r1 SEX F\r\n0 @I2@ INDI\n1 NAME Bernd /Lf/\r\n"
                   "1 SEX M\r\n0 @I3@ INDI\r\n1 NAME Carl /CrLf/\r\n1 SEX M\r\n0 TRLR\r\n",
                   1, {"||1", "3||"}, {{1, 24, "Cr"}, {2, 3, "CrLf"}}});
  // After an LF first line, LF and CR LF end lines and a CR alone is dropped.
  cases.push_back({"mixed line ends after an LF first line",
                   "0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\r\n1 NAME Anna /CrLf/\r\n1 SEX F\n0 @I2@ INDI\r1 NAME Bernd /Cr/\n"
                   "1 SEX M\n0 @I3@ INDI\n1 NAME Carl /Lf/\n1 SEX M\n0 TRLR\n",
                   1, {"||1", "3||"}, {{1, 24, "CrLf"}, {2, 3, "Lf"}}});

  // A byte 26 ends the file, here inside Rosa's name.
  cases.push_back({"a byte 26 in the middle",
                   whole("0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F1@\n0 @I2@ INDI\n1 SEX F\n"
                         "1 NAME Rosa /Fr\x1A" "au/\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n"),
                   1, {"1||", "||2"}, {{2, 24, "Rosa /Fr"}}});

  // Links stated by one side only, in cycles: each counts once, and nothing
  // walks them deeper than the file is long.
  cases.push_back({"FAMC and CHIL in a cycle, each his own grandfather",
                   whole("0 @I1@ INDI\n1 NAME A /Kreis/\n1 SEX M\n1 FAMC @F1@\n1 FAMC @F1@\n"
                         "0 @I2@ INDI\n1 NAME B /Kreis/\n1 SEX M\n0 @F1@ FAM\n1 HUSB @I2@\n1 CHIL @I1@\n1 CHIL @I2@\n"
                         "0 @F2@ FAM\n1 HUSB @I1@\n1 CHIL @I2@\n1 CHIL @I1@\n"),
                   1, {"1||", "2||"}, {{1, 16, "2"}, {2, 16, "0"}}});  // I2's family is F1, where he is the father
  cases.push_back({"a family naming a person who names another family",
                   whole("0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 FAMS @F1@\n0 @I2@ INDI\n1 NAME Rosa /Zweit/\n1 SEX F\n"
                         "0 @I3@ INDI\n1 NAME Anna /Erst/\n1 SEX F\n1 FAMS @F1@\n"
                         "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I3@\n1 MARR\n2 DATE 1890\n"
                         "0 @F2@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 WIFE @I2@\n1 MARR\n2 DATE 1900\n"),
                   1, {"1|1890|3", "1|1900|2"}});
  cases.push_back({"a CHAR line naming an unknown code page",
                   crlf("0 HEAD\n1 CHAR CP-9999\n0 @I1@ INDI\n1 NAME Jean /Fr\x82mont/\n0 TRLR\n"), 1, {"||1"},
                   {{1, 24, "Fr\xE2\x80\x9Amont"}}});
  const std::string slashes(100000, '/');
  cases.push_back({"a DATE of 100,000 slashes",
                   whole("0 @I1@ INDI\n1 NAME Karl /Mann/\n1 SEX M\n1 BIRT\n2 DATE 1" + slashes + "\n1 DEAT\n2 DATE " +
                         slashes + "\n"),
                   1, {"1||"}, {{1, 5, "1" + slashes}, {1, 9, slashes}}});
  return cases;
}

TEST(BadFiles, EachEndsAsDefined) {
  for (const Case& c : catalogue()) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::string file = dir.file("bad.ged");
    test::writeFileBytes(file, c.bytes);
    test::ImportOutcome out = test::importFile(file);
    EXPECT_EQ(importcheck::brokenInvariant(file), "");
    if (c.counter > 0) {
      EXPECT_GT(out.counter, 0);
    } else {
      EXPECT_EQ(out.counter, c.counter);
    }
    EXPECT_EQ(test::pairsOf(test::dataRows(out.table)), c.rows);
    // The person count is shown only with rows; a failure shows nothing.
    EXPECT_EQ(out.messages.size(), c.rows.empty() ? 0u : 1u);
    for (const Cell& cell : c.cells) {
      std::string_view text = out.table.cell(cell.column, cell.row);
      EXPECT_TRUE(text == cell.text) << "row " << cell.row << " column " << cell.column << ": "
                                     << text.substr(0, 80) << " (" << text.size() << " bytes)";
    }
  }
}

}  // namespace
}  // namespace rowsmith
