#include "kernel/charsets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kernel/strreplace.h"

namespace rowsmith {
namespace {

std::string hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) out += (std::snprintf(buf, sizeof buf, "%02X ", c), buf);
  return out;
}

struct Conversion {
  std::string in, out;
  bool changed;
};

void expectConversions(bool (*convert)(std::string&), std::initializer_list<Conversion> cases) {
  for (const Conversion& c : cases) {
    std::string line = c.in;
    EXPECT_EQ(convert(line), c.changed) << hex(c.in);
    EXPECT_EQ(hex(line), hex(c.out)) << hex(c.in);
  }
}

TEST(Charsets, ConvertLineByLineAndReportAChange) {
  expectConversions(Utf8ToAnsi, {
      {"plain", "plain", false},
      {"M\xC3\xBCller", "M\xFCller", true},
      {"\xC2\xA1\xC2\xBF\xC3\x80\xC3\xBF", "\xA1\xBF\xC0\xFF", true},
      // Not in the table: no-break space, C1 controls, the euro sign; lone lead bytes.
      {"\xC2\xA0\xC2\x80\xE2\x82\xAC", "\xC2\xA0\xC2\x80\xE2\x82\xAC", false},
      {"\xC2 x \xC3", "\xC2 x \xC3", false},
      // Text encoded twice comes back to one byte.
      {"M\xC3\x83\xC2\xBCller", "M\xFCller", true},
      {"\xC3\x82\xC2\xA9", "\xC2\xA9", true},
  });
  expectConversions(RemoveNulChars, {
      {std::string("0\0A\0", 4), "0A", true},
      {"no nul", "no nul", false},
  });
  expectConversions(AnselToAnsi, {
      {"M\xE8uller\xCF", "M\xFCller\xDF", true},
      {"\xE8 \xF0" "c", "\xA8\xE7", true},
      // Produced bytes are never read again.
      {"\xE4" "A\xC3", "\xC3\xA9", true},
      {"\xE9" "c\xE8z\xE8", "\xE9" "c\xE8z\xE8", false},
      // Label text converts only when the line holds a real sequence too.
      {"<<#$c6    >>", "<<#$c6    >>", false},
      {"<<#$c6    >>\xCF", "\xA1\xDF", true},
      {"\xCF<<#$E8#$41>>", "\xDF<<#$E8#$41>>", true},
  });
}

// The ANSEL table written out once more, independently of the unit's copy.
struct AnselRow {
  int ansi;
  std::string sequence, label;
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
    row.label = "<<";
    for (int b; bytes >> b;) {
      row.sequence += static_cast<char>(b);
      char buf[8];
      std::snprintf(buf, sizeof buf, "#$%02x", b);
      row.label += buf;
    }
    row.label += row.sequence.size() == 1 ? "    >>" : ">>";
    rows.push_back(row);
  }
  return rows;
}

// The conversions as first defined: one replace-all pass per table entry.
bool referenceUtf8ToAnsi(std::string& line) {
  if (line.find_first_of("\xC2\xC3") == std::string::npos) return false;
  const std::string before = line;
  for (int c = 0xA1; c <= 0xFF; ++c) {
    const char pattern[2] = {c <= 0xBF ? '\xC2' : '\xC3', static_cast<char>(c <= 0xBF ? c : c - 0x40)};
    line = StrReplace(std::string_view(pattern, 2), std::string(1, static_cast<char>(c)), line, true);
  }
  return line != before;
}

bool referenceAnselToAnsi(std::string& line) {
  static const std::vector<AnselRow> rows = anselRows();
  const std::string before = line;
  for (const AnselRow& r : rows) line = StrReplace(r.sequence, r.label, line, true);
  if (line == before) return false;
  for (const AnselRow& r : rows) line = StrReplace(r.label, std::string(1, static_cast<char>(r.ansi)), line, true);
  return line != before;
}

// Random lines from the pieces that matter, so sequences and near misses are frequent.
void expectSameAsReference(bool (*fast)(std::string&), bool (*slow)(std::string&),
                           const std::vector<std::string>& pieces, size_t maxPieces, int lines, unsigned seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < lines; ++i) {
    std::string line;
    for (size_t n = std::uniform_int_distribution<size_t>(0, maxPieces)(rng); n > 0; --n)
      line += pieces[std::uniform_int_distribution<size_t>(0, pieces.size() - 1)(rng)];
    std::string a = line, b = line;
    const bool aChanged = fast(a), bChanged = slow(b);
    ASSERT_EQ(hex(a), hex(b)) << "input " << hex(line);
    ASSERT_EQ(aChanged, bChanged) << "input " << hex(line);
  }
}

TEST(Utf8ToAnsi, OnePassEqualsTheSeriesOfReplacements) {
  std::vector<std::string> pieces = {"\xC2", "\xC3", "\x80", "\x82", "\x83", "\x84", "\xA0",
                                     "\xA1", "\xA4", "\xBF", "\xC0", "\xFF", "a", " "};
  for (int c = 0x80; c < 0x100; c += 7) pieces.emplace_back(1, static_cast<char>(c));
  expectSameAsReference(Utf8ToAnsi, referenceUtf8ToAnsi, pieces, 12, 50'000, 1987);
}

TEST(AnselToAnsi, OnePassEqualsTheTwoPhasesOfReplacements) {
  std::vector<std::string> pieces = {"a", "A", " ", "<", ">", "#$", "e8", "c6", "    ",
                                     "<<#$", ">>", "\xE8", "\xE1", "\xD9", "\xE9", "\x7A"};
  for (const AnselRow& r : anselRows()) {
    pieces.insert(pieces.end(), {r.sequence, r.label, std::string(1, static_cast<char>(r.ansi))});
    std::string line = "x" + r.sequence + "y";  // every entry converts on its own too
    EXPECT_TRUE(AnselToAnsi(line)) << std::hex << r.ansi;
    EXPECT_EQ(hex(line), hex(std::string{'x', static_cast<char>(r.ansi), 'y'}));
  }
  expectSameAsReference(AnselToAnsi, referenceAnselToAnsi, pieces, 8, 30'000, 1850);
}

}  // namespace
}  // namespace rowsmith
