#include "export/exporttext.h"

#include <gtest/gtest.h>

namespace rowsmith {
namespace {

struct DecodeCase {
  const char* name;
  ExportOptions options;
  bool ok;
  ExportFormat format;
  std::string error;
};

ExportOptions with(auto change) {
  ExportOptions o;
  change(o);
  return o;
}

TEST(DecodeExportFormat, TurnsTheDialogChoicesIntoSeparatorEnclosingAndLineBreak) {
  const std::vector<DecodeCase> cases = {
      {"defaults", ExportOptions{}, true, {";", "", "\r\n"}, ""},
      {"ascii, single, lf", with([](ExportOptions& o) {
         o.separator = SeparatorChoice::Ascii;
         o.enclose = EncloseChoice::Single;
         o.lineBreak = LineBreakChoice::Lf;
       }),
       true, {",", "'", "\n"}, ""},
      {"tab, double, none", with([](ExportOptions& o) {
         o.separator = SeparatorChoice::Tab;
         o.enclose = EncloseChoice::Double;
         o.lineBreak = LineBreakChoice::None;
       }),
       true, {"\t", "\"", ""}, ""},
      {"free texts with their defaults", with([](ExportOptions& o) {
         o.separator = SeparatorChoice::Free;
         o.enclose = EncloseChoice::Other;
         o.lineBreak = LineBreakChoice::Free;
       }),
       true, {"\b", "!", "\n\r"}, ""},
      {"no separator", with([](ExportOptions& o) { o.separator = SeparatorChoice::None; }), true, {"", "", "\r\n"}, ""},
      {"free separator #59", with([](ExportOptions& o) {
         o.separator = SeparatorChoice::Free;
         o.separatorFree = "#59";
       }),
       true, {";", "", "\r\n"}, ""},
      {"separator out of byte range", with([](ExportOptions& o) {
         o.separator = SeparatorChoice::Free;
         o.separatorFree = "#256";
       }),
       false, {}, "ERROR - number must be a byte!"},
      {"lone # as enclosing", with([](ExportOptions& o) {
         o.enclose = EncloseChoice::Other;
         o.encloseOther = "#";
       }),
       false, {}, "ERROR - # without number found!"},
      {"line break too long a number", with([](ExportOptions& o) {
         o.lineBreak = LineBreakChoice::Free;
         o.lineBreakFree = "#99999999999";
       }),
       false, {}, "ERROR - can not convert!"},
      {"a free text not chosen is not decoded", with([](ExportOptions& o) { o.separatorFree = "#"; }), true,
       {";", "", "\r\n"}, ""},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExportFormat format;
    std::string error;
    EXPECT_EQ(decodeExportFormat(c.options, format, error), c.ok);
    EXPECT_EQ(error, c.error);
    if (c.ok) {
      EXPECT_EQ(format.separator, c.format.separator);
      EXPECT_EQ(format.enclose, c.format.enclose);
      EXPECT_EQ(format.lineBreak, c.format.lineBreak);
    }
  }
}

StringTable resultTable(const std::vector<std::vector<std::string>>& rows) {
  StringTable t(static_cast<int>(rows[0].size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) t.setCell(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
  }
  return t;
}

TEST(MakeExportTable, PutsRowNumbersInFrontAndTheColumnsInTheGivenOrder) {
  StringTable result = resultTable({{"A", "B", "C"}, {"a1", "b1", "c1"}, {"a2", "", "c2"}});
  StringTable t = makeExportTable(result, {2, 0});
  ASSERT_EQ(t.columnCount(), 3);
  ASSERT_EQ(t.rowCount(), 3);
  EXPECT_EQ(t.cell(0, 0), "");
  EXPECT_EQ(t.cell(0, 2), "2");
  EXPECT_EQ(t.cell(1, 0), "C");
  EXPECT_EQ(t.cell(2, 1), "a1");
}

struct TextCase {
  const char* name;
  std::vector<bool> exported;
  ExportFormat format;
  std::string expected;
  size_t splitting;  // cells a reader would split
};

TEST(BuildExportText, FollowsTheFormatRules) {
  StringTable result = resultTable({{"H1", "H2", "H3"}, {"x", "", "a\r\nb"}, {"y", "q;'", "z"}});
  StringTable t = makeExportTable(result, {0, 1, 2});
  const std::vector<TextCase> cases = {
      {"defaults, everything", {true, true, true, true}, {";", "", "\r\n"},
       ";H1;H2;H3\r\n1;x;;a<#13><#10>b\r\n2;y;q;';z", 1},
      {"without row numbers", {false, true, true, true}, {";", "", "\r\n"}, "H1;H2;H3\r\nx;;a<#13><#10>b\r\ny;q;';z", 1},
      {"last column not exported: every line ends with the separator", {false, true, true, false}, {";", "", "\r\n"},
       "H1;H2;\r\nx;;\r\ny;q;';", 1},
      {"enclosing around every cell, empty ones too, an enclosing inside twice", {true, true, true, false},
       {",", "'", "\n"}, "'','H1','H2',\n'1','x','',\n'2','y','q;''',", 0},
      {"a multi-character enclosing inside twice", {false, false, true, false}, {"", ";'", ""}, ";'H2;';';';'q;';';'", 0},
      {"multi-character separator and no line break", {false, true, false, true}, {"<>", "", ""},
       "H1<>H3x<>a<#13><#10>by<>z", 0},
      {"a line break that a cell holds", {false, false, true, false}, {",", "", "'"}, "H2,','q;',", 1},
      {"nothing exported", {false, false, false, false}, {";", "", "\r\n"}, "\r\n\r\n", 0},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BuildExportText(t, c.exported, c.format), c.expected);
    EXPECT_EQ(CountCellsThatSplit(t, c.exported, c.format), c.splitting);
    if (c.exported[1] && c.exported[2] && c.exported[3]) {
      EXPECT_EQ(buildExportTextFromResult(result, {0, 1, 2}, c.exported[0], c.format), c.expected);
      EXPECT_EQ(countResultCellsThatSplit(result, {0, 1, 2}, c.format), c.splitting);
    }
  }
}

TEST(EncodeExportText, WritesTheChosenBytesAndTypedCodesAsWindows1252Characters) {
  ExportOptions options = with([](ExportOptions& o) {
    o.separator = SeparatorChoice::Free;
    o.separatorFree = "#228";
  });
  ExportFormat format;
  std::string error;
  ASSERT_TRUE(decodeExportFormat(options, format, error));
  EXPECT_EQ(format.separator, "ä");
  const std::string text = "Łódź" + format.separator + "€";
  EXPECT_EQ(encodeExportText(text, TextEncoding::Windows1252), "L\xF3" "dz\xE4\x80");
  EXPECT_EQ(encodeExportText(text, TextEncoding::Utf8), text);
  EXPECT_EQ(encodeExportText(text, TextEncoding::Utf8Bom), "\xEF\xBB\xBF" + text);
}

TEST(BuildExportText, KeepsEveryByteOfALargeTable) {
  StringTable result(2);
  const int rows = 20000;
  const std::string big(1000, '\xE4');
  for (int r = 0; r < rows; ++r) {
    result.setCell(0, r, big);
    result.setCell(1, r, std::string(1, static_cast<char>(r % 256)));
  }
  StringTable t = makeExportTable(result, {0, 1});
  ExportFormat format{"\t", "", "\r\n"};
  std::string text = BuildExportText(t, {true, true, true}, format);
  EXPECT_EQ(text, buildExportTextFromResult(result, {0, 1}, true, format));
  EXPECT_GT(text.size(), static_cast<size_t>(rows) * 1000);
  EXPECT_EQ(text.substr(text.size() - 3), "\xE4\t\x1F");  // 19999 % 256 = 31, no break after
}

TEST(BuildExportText, ALargeTableGivesTheTextOfAPlainRowByRowBuild) {
  for (int rows : {4095, 4096, 4097, 9001}) {
    SCOPED_TRACE(rows);
    StringTable t(3);
    t.setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
      t.setCell(0, r, std::to_string(r));
      t.setCell(1, r, r % 7 == 0 ? std::string("a\r\nb") : std::string(static_cast<size_t>(r % 40), 'x'));
      if (r % 3) t.setCell(2, r, "\xFC");
    }
    const ExportFormat format{",", "'", "\n"};
    std::string expected;
    for (int r = 0; r < rows; ++r) {
      std::string middle = r % 7 == 0 ? "a<#13><#10>b" : std::string(static_cast<size_t>(r % 40), 'x');
      expected += "'" + std::to_string(r) + "','" + middle + "','" + (r % 3 ? "\xFC" : "") + "'";
      if (r != rows - 1) expected += "\n";
    }
    EXPECT_EQ(BuildExportText(t, {true, true, true}, format), expected);
  }
}

}  // namespace
}  // namespace rowsmith
