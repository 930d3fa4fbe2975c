#include "export/exporttext.h"

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

TEST(DecodeExportFormat, TurnsTheDialogChoicesIntoSeparatorEnclosingAndLineBreak) {
  using S = SeparatorChoice;
  using E = EncloseChoice;
  using L = LineBreakChoice;
  const struct {
    ExportOptions options;
    std::string expected;  // separator|enclosing|line break, or the error
  } cases[] = {
      {{}, ";||\r\n"},
      {{S::Ascii, "#8", E::Single, "!", L::Lf}, ",|'|\n"},
      {{S::Tab, "#8", E::Double, "!", L::None}, "\t|\"|"},
      {{S::Free, "#8", E::Other, "!", L::Free}, "\b|!|\n\r"},  // the free texts' defaults
      {{S::None}, "||\r\n"},
      {{S::Free, "#228"}, "ä||\r\n"},  // a typed code is a Windows-1252 character
      {{S::Free, "#256"}, "ERROR - number must be a byte!"},
      {{S::Csv, "#8", E::Other, "#"}, "ERROR - # without number found!"},
      {{S::Csv, "#"}, ";||\r\n"},  // a free text not chosen is not decoded
      {{S::Free, "ERROR - "}, "ERROR - ||\r\n"},  // a separator like any other
  };
  for (const auto& c : cases) {
    ExportFormat format;
    std::string error;
    const bool ok = decodeExportFormat(c.options, format, error);
    EXPECT_EQ(ok ? format.separator + "|" + format.enclose + "|" + format.lineBreak : error, c.expected);
    EXPECT_EQ(ok, error.empty()) << c.expected;
  }
}

TEST(BuildExportText, FollowsTheFormatRules) {
  const StringTable result = test::tableOf(3, {{"H1", "H2", "H3"}, {"x", "", "a\r\nb"}, {"y", "q;'", "z"}});
  // Row numbers in front, empty in the header; columns in the given order.
  const StringTable reordered = makeExportTable(result, {}, {2, 0});
  EXPECT_EQ(BuildExportText(reordered, {true, true, true}, {";", "", "\n"}), ";H3;H1\n1;a<#13><#10>b;x\n2;z;y");

  const StringTable t = makeExportTable(result, {}, {0, 1, 2});
  const struct {
    std::vector<bool> exported;
    ExportFormat format;
    std::string expected;
    size_t splitting;  // cells a reader would split
  } cases[] = {
      {{true, true, true, true}, {";", "", "\r\n"}, ";H1;H2;H3\r\n1;x;;a<#13><#10>b\r\n2;y;q;';z", 1},
      // The last column not exported: every line ends with the separator.
      {{false, true, true, false}, {";", "", "\r\n"}, "H1;H2;\r\nx;;\r\ny;q;';", 1},
      // Enclosing around every cell, empty ones too; an enclosing inside twice.
      {{true, true, true, false}, {",", "'", "\n"}, "'','H1','H2',\n'1','x','',\n'2','y','q;''',", 0},
      {{false, false, true, false}, {"", ";'", ""}, ";'H2;';';';'q;';';'", 0},
      {{false, true, false, true}, {"<>", "", ""}, "H1<>H3x<>a<#13><#10>by<>z", 0},
      {{false, false, true, false}, {",", "", "'"}, "H2,','q;',", 1},  // a cell holds the line break
      {{false, false, false, false}, {";", "", "\r\n"}, "\r\n\r\n", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildExportText(t, c.exported, c.format), c.expected);
    EXPECT_EQ(CountCellsThatSplit(t, c.exported, c.format), c.splitting) << c.expected;
  }
}

// The converter's route: stretches of rows built by two cores, each encoded
// apart, must join into the window's text in that encoding, even where a row
// starts with a mark that would join the line break before it.
TEST(WriteResultExport, StretchesJoinIntoTheWholeTextInItsEncoding) {
  const char* const starts[] = {"\xCC\x81x", "\xD0\x96uk", "\xC5\x81\xC3\xB3" "d\xC5\xBA", "e\xCC\x81", "a;b", "c\r\nd"};
  StringTable result(3);
  const int rows = 30000;
  result.setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    result.setCell(0, r, starts[(r / 6) % 6]);
    result.setCell(2, r, starts[r % 6] + std::string(static_cast<size_t>(r % 90), 'z'));
  }
  const std::vector<int> order = {2, 0, 1};
  const ExportFormat format{";", "", "e"};
  for (bool numbers : {false, true}) {
    std::vector<bool> exported(4, true);
    exported[0] = numbers;
    const StringTable table = makeExportTable(result, {}, order);
    for (TextEncoding encoding : {TextEncoding::Windows1252, TextEncoding::Utf8Bom}) {
      std::string joined;
      int parts = 0;
      const ExportCounts counts = writeResultExport(result, {}, order, numbers, format, encoding, [&](std::string_view part) {
        joined += part;
        return ++parts < 1000;
      });
      EXPECT_EQ(joined, encodeExportText(BuildExportText(table, exported, format), encoding));
      EXPECT_EQ(counts.splitting, CountCellsThatSplit(table, exported, format));
      EXPECT_GE(parts, 2);
    }
  }
  // A sink that fails stops the writing.
  int parts = 0;
  writeResultExport(result, {}, order, true, format, TextEncoding::Utf8, [&](std::string_view) { return ++parts < 2; });
  EXPECT_EQ(parts, 2);
}

// A spreadsheet opening delimited text runs a cell that reads as a formula;
// an apostrophe in front keeps it text.
TEST(BuildExportText, PutsAnApostropheBeforeCellsThatReadAsFormulas) {
  for (const char* cell : {"=HYPERLINK(\"http://x\"&C2;\"Quelle\")", "=cmd|' /C calc'!A0", "= Churchill-32772", "=",
                           "+A1", "-(1)", "@SUM(A1)", "-\xC3\x84rger"})
    EXPECT_TRUE(readsAsFormula(cell)) << cell;
  for (const char* cell : {"+ 1850", "-", "-5", "@#DJULIAN@ 24.04.1827", "a=b", " =1", "--", "+\xC3\x97",
                           "-\xE2\x80\x93x", ""})
    EXPECT_FALSE(readsAsFormula(cell)) << cell;
  const StringTable result = test::tableOf(2, {{"=H", "H"}, {"=1\"", "-5"}, {"x", "@A"}});
  const StringTable table = makeExportTable(result, {}, {0, 1});
  const struct {
    ExportFormat format;
    std::string expected;  // the header row is ours and stays
  } cases[] = {
      {{";", "", "\n"}, ";=H;H\n1;'=1\";-5\n2;x;'@A"},
      {{";", "\"", "\n"}, "\"\";\"=H\";\"H\"\n\"1\";\"'=1\"\"\";\"-5\"\n\"2\";\"x\";\"'@A\""},
      {{";", "", "\n", true}, ";=H;H\n1;=1\";-5\n2;x;@A"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildExportText(table, {true, true, true}, c.format), c.expected);
    std::string written;
    const ExportCounts counts = writeResultExport(result, {}, {0, 1}, true, c.format, TextEncoding::Utf8,
                                                  [&](std::string_view part) { return written += part, true; });
    EXPECT_EQ(written, c.expected);
    EXPECT_EQ(counts.formulas, 2u);
  }
  EXPECT_EQ(CountFormulaCells(table, {true, true, true}), 2u);
  EXPECT_EQ(CountFormulaCells(table, {true, false, true}), 1u);
}

TEST(WriteResultExport, DatesAreWrittenAndCountedAsTheyAreShown) {
  const StringTable result = test::tableOf(
      2, {{"Datum :", "Ort :"}, {"18500112", "Bonn"}, {std::string("18900503") + kDatePartBreak + "1895", "K\xC3\xB6ln"}});
  const int dateColumn[] = {0};
  // A "." separator splits the western dates, which the stored ones lack.
  const ExportFormat dots{".", "", "\n"};
  ExportBytes western = exportResult(result, {dateColumn, DateForm::Western}, {0, 1}, false, dots, TextEncoding::Utf8);
  EXPECT_EQ(western.pieces[0], "Datum :.Ort :\n12.01.1850.Bonn\n03.05.1890 / 1895.K\xC3\xB6ln");
  EXPECT_EQ(western.splitting, 2u);
  ExportBytes sortable = exportResult(result, {dateColumn, DateForm::Sortable}, {1, 0}, false, dots, TextEncoding::Utf8);
  EXPECT_EQ(sortable.pieces[0], "Ort :.Datum :\nBonn.18500112\nK\xC3\xB6ln.18900503 / 1895");
  EXPECT_EQ(sortable.splitting, 0u);
  EXPECT_EQ(BuildExportText(makeExportTable(result, {dateColumn, DateForm::Western}, {0}), {false, true}, dots),
            "Datum :\n12.01.1850\n03.05.1890 / 1895");
}

}  // namespace
}  // namespace rowsmith
