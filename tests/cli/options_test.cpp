// The converter's own units are not part of the core library; they are
// compiled into this test directly.
#include "cli/options.cpp"
#include "cli/utf8out.cpp"

#include <gtest/gtest.h>

namespace rowsmith::cli {
namespace {

// The defaults show in the converter's plain output, compared whole in
// convert_test.
struct ParseCase {
  std::vector<std::string> args;
  bool ok;
  std::string check;  // what to compare, see below
  std::string expected;
};

std::string describe(const ConvertOptions& o, const std::string& what) {
  if (what == "separator") return std::to_string(static_cast<int>(o.format.separator)) + o.format.separatorFree;
  if (what == "enclose") return std::to_string(static_cast<int>(o.format.enclose)) + o.format.encloseOther;
  if (what == "linebreak") return std::to_string(static_cast<int>(o.format.lineBreak)) + o.format.lineBreakFree;
  if (what == "columns") {
    std::string s;
    for (int c : o.columns) s += std::to_string(c) + ",";
    return s;
  }
  if (what == "output") return o.output + (o.quiet ? " quiet" : "");
  if (what == "flags") {
    return std::string(o.rowNumbers ? "rows " : "") + (o.westernDates ? "western " : "sortable ") + (o.utf8 ? "utf8" : "ansi");
  }
  if (what == "input") return o.input;
  return {};
}

TEST(ParseConvertOptions, ReadsEveryOptionAndRejectsBadOnes) {
  const std::vector<ParseCase> cases = {
      {{"--separator", "comma", "f"}, true, "separator", "0#8"},
      {{"--separator=TAB", "f"}, true, "separator", "2#8"},
      {{"--separator", "#124", "f"}, true, "separator", "3#124"},
      {{"--separator", "", "f"}, true, "separator", "3"},
      {{"--enclose", "single", "f"}, true, "enclose", "1!"},
      {{"--enclose", "#34", "f"}, true, "enclose", "3#34"},
      {{"--line-break", "lf", "f"}, true, "linebreak", "1#10#13"},
      {{"--line-break", "#13", "f"}, true, "linebreak", "2#13"},
      {{"--columns", "ID, Name (Partner) :,39,geschlecht", "f"}, true, "columns", "0,22,38,4,"},
      {{"--columns", "0", "f"}, false, "", ""},
      {{"--columns", "40", "f"}, false, "", ""},
      {{"--columns", "", "f"}, false, "", ""},
      {{"-o", "x.csv", "-q", "f"}, true, "output", "x.csv quiet"},
      {{"--output=x.csv", "f"}, true, "output", "x.csv"},
      {{"-o", "", "f"}, false, "", ""},
      {{"--no-rowcount", "--dates", "sortable", "--encoding", "UTF-8", "f"}, true, "flags", "sortable utf8"},
      {{"--encoding", "latin1", "f"}, false, "", ""},
      {{"--no-rowcount=1", "f"}, false, "", ""},
      {{"--separator"}, false, "", ""},
      {{"--", "-odd.ged"}, true, "input", "-odd.ged"},
      {{"a.ged", "b.ged"}, false, "", ""},
      {{}, false, "", ""},
      {{"--help"}, true, "input", ""},
  };
  for (const ParseCase& c : cases) {
    std::string joined;
    for (const std::string& a : c.args) joined += "[" + a + "]";
    SCOPED_TRACE(joined);
    ConvertOptions o;
    std::string error;
    EXPECT_EQ(parseConvertOptions(c.args, o, error), c.ok) << error;
    if (c.ok) EXPECT_EQ(describe(o, c.check), c.expected);
    else EXPECT_FALSE(error.empty());
  }
}

TEST(Windows1252ToUtf8, MapsEveryByteToItsCodePoint) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string utf8 = windows1252ToUtf8(all);
  // ASCII one byte; the 17 characters of 0x80-0x9F above U+07FF (euro sign,
  // quotes, dashes...) three; every other byte two.
  EXPECT_EQ(utf8.size(), 128u + 17u * 3 + (128u - 17u) * 2);
  EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(windows1252ToUtf8("\x9F"), "\xC5\xB8");
  EXPECT_EQ(windows1252ToUtf8("\x81"), "\xC2\x81");
  EXPECT_EQ(windows1252ToUtf8("\xE4\xF6\xFC\xDF"), "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F");
  EXPECT_EQ(windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace rowsmith::cli
