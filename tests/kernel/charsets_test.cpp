#include "kernel/charsets.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kernel/textcodec.h"

namespace rowsmith {
namespace {

// The ANSEL table written out once more, independently of the unit's copy.
struct AnselRow {
  int ansi;
  std::string sequence;
};

std::vector<AnselRow> anselRows() {
  std::istringstream text(
      "A1 C6|A2 D9 21|A3 B9|A4 D9 25|A5 D9 22|A6 D9 45|A7 D9 47|A8 E8 20|A9 C3|AA D9 41|"
      "AB D9 43|AC D9 68|AD D9 77|AE AA|AF E5 20|B0 C0|B1 AB|B2 D9 32|B3 D9 33|B4 E2 20|"
      "B5 D9 5A|B6 D9 46|B7 A8|B8 F0 20|B9 D9 31|BA D9 42|BB D9 44|BC D9 62|BD D9 61|"
      "BE D9 63|BF C5|C0 E1 41|C1 E2 41|C2 E3 41|C3 E4 41|C4 E8 41|C5 EA 41|C6 A5|"
      "C7 F0 43|C8 E1 45|C9 E2 45|CA E3 45|CB E8 45|CC E1 49|CD E2 49|CE E3 49|CF E8 49|"
      "D0 A3|D1 E4 4E|D2 E1 4F|D3 E2 4F|D4 E3 4F|D5 E4 4F|D6 E8 4F|D7 D9 6A|D8 A2|"
      "D9 E1 55|DA E2 55|DB E3 55|DC E8 55|DD E2 59|DE A4|DF CF|E0 E1 61|E1 E2 61|"
      "E2 E3 61|E3 E4 61|E4 E8 61|E5 EA 61|E6 B5|E7 F0 63|E8 E1 65|E9 E2 65|EA E3 65|"
      "EB E8 65|EC E1 69|ED E2 69|EE E3 69|EF E8 69|F0 BA|F1 E4 6E|F2 E1 6F|F3 E2 6F|"
      "F4 E3 6F|F5 E4 6F|F6 E8 6F|F7 D9 6D|F8 B2|F9 E1 75|FA E2 75|FB E3 75|FC E8 75|"
      "FD E2 79|FE B4|FF E8 79");
  std::vector<AnselRow> rows;
  for (std::string item; std::getline(text, item, '|');) {
    std::istringstream bytes(item);
    AnselRow row{};
    bytes >> std::hex >> row.ansi;
    for (int b; bytes >> b;) {
      row.sequence += static_cast<char>(b);
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(AnselCharset, KeepsWhatEveryCommonSequenceAlwaysGave) {
  for (const AnselRow& r : anselRows()) {
    const std::string line = "x" + r.sequence + "y";
    EXPECT_TRUE(hasAnselSequence(line)) << std::hex << r.ansi;
    std::string expected = "x";
    expected += decodeWindows1252(std::string(1, static_cast<char>(r.ansi)));
    expected += 'y';
    EXPECT_EQ(decodeAnselLine(line), expected) << std::hex << r.ansi;
  }
}

TEST(AnselCharset, PutsEveryMarkAfterItsLetterAndComposes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Dvo\xE9rak", "Dvořak"},           // caron, no common sequence
      {"\xA1\xE2od\xE2z", "Łódź"},        // special letter, acute on o and z
      {"\xB1" "a\xE7z", "łaż"},            // dot above
      {"W\xF1" "asowski", "Wąsowski"},     // ogonek
      {"\xE8\xE2u", "ǘ"},                 // two marks on one letter, in their order
      {"\xE8", "\u0308"},                 // a mark without a letter stays a mark
      {"\xE3 ", " \u0302"},               // on a space it follows the space
      {std::string("a\0b\x81\xD0", 5), "ab\u0081Ð"},  // NUL dropped; unknown bytes as Windows-1252
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(decodeAnselLine(in), out) << in;
  EXPECT_FALSE(hasAnselSequence("Dvo\xE9r\x81k"));
}

}  // namespace
}  // namespace rowsmith
