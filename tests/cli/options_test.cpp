// The converter's own units are not part of the core library; they are
// compiled into this test directly.
#include "cli/options.cpp"

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
    return std::string(o.rowNumbers ? "rows " : "") + (o.westernDates ? "western " : "sortable ") + (o.format.encoding == TextEncoding::Utf8 ? "utf8" : o.format.encoding == TextEncoding::Utf8Bom ? "utf8-bom" : "ansi");
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
      {{"--encoding=utf-8-bom", "f"}, true, "flags", "rows western utf8-bom"},
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

}  // namespace
}  // namespace rowsmith::cli
