#include "kernel/charsets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "kernel/strreplace.h"

namespace rowsmith {
namespace {

std::string hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  return out;
}

struct Conversion {
  std::string in;
  std::string out;
  bool changed;
};

TEST(Utf8ToAnsi, ConvertsTwoByteSequencesOfLatin1) {
  const Conversion cases[] = {
      {"plain ASCII", "plain ASCII", false},
      {"", "", false},
      {"M\xC3\xBCller", "M\xFCller", true},
      {"\xC3\xB6", "\xF6", true},
      {"\xC2\xA1\xC2\xBF\xC3\x80\xC3\xBF", "\xA1\xBF\xC0\xFF", true},
      // Not in the table: no-break space, C1 controls, the euro sign.
      {"\xC2\xA0", "\xC2\xA0", false},
      {"\xC2\x80\xC2\x9F", "\xC2\x80\xC2\x9F", false},
      {"\xE2\x82\xAC", "\xE2\x82\xAC", false},
      {"\xC5\x81", "\xC5\x81", false},
      // Isolated lead bytes stay.
      {"a\xC3", "a\xC3", false},
      {"\xC2 x \xC3", "\xC2 x \xC3", false},
      // Text encoded twice comes back to one byte.
      {"\xC3\x83\xC2\xA4", "\xE4", true},
      {"M\xC3\x83\xC2\xBCller", "M\xFCller", true},
      // C3 82 gives C2 after the C2 passes are over: it stays.
      {"\xC3\x82\xC2\xA9", "\xC2\xA9", true},
      // A C2 run before a second byte disappears with it.
      {"\xC2\xC2\xC2\xA9", "\xA9", true},
      // C3 83 gives C3, which pairs with a later second byte but not with an
      // earlier one, nor with 80..82 (their passes are over).
      {"\xC3\x83\x83\xA4", "\xE4", true},
      {"\xC3\x83\x80", "\xC3\x80", true},
      {"\xC3\xC3\x83", "\xC3\xC3", true},
  };
  for (const Conversion& c : cases) {
    std::string line = c.in;
    EXPECT_EQ(Utf8ToAnsi(line), c.changed) << hex(c.in);
    EXPECT_EQ(hex(line), hex(c.out)) << hex(c.in);
  }
}

TEST(RemoveNulChars, DropsEveryNulByte) {
  const Conversion cases[] = {
      {std::string("0\0A\0", 4), "0A", true},
      {std::string("\0\0", 2), "", true},
      {"no nul", "no nul", false},
      {"", "", false},
  };
  for (const Conversion& c : cases) {
    std::string line = c.in;
    EXPECT_EQ(RemoveNulChars(line), c.changed) << hex(c.in);
    EXPECT_EQ(hex(line), hex(c.out));
  }
}

TEST(AnselToAnsi, ConvertsMarksAndSpecialCodes) {
  const Conversion cases[] = {
      {"\xE8" "a", "\xE4", true},
      {"\xE8O", "\xD6", true},
      {"\xCF", "\xDF", true},
      {"\xF0" "c", "\xE7", true},
      {"\xE8 ", "\xA8", true},
      {"M\xE8uller", "M\xFCller", true},
      // Produced bytes are never read again: Ã from E4 41 next to © from C3.
      {"\xE4" "A\xC3", "\xC3\xA9", true},
      {"\xC3\xE4" "A", "\xA9\xC3", true},
      {"\xD9\x21\xD9\x6D", "\xA2\xF7", true},
      // Marks without a table entry stay as they are.
      {"\xE9" "c", "\xE9" "c", false},
      {"\xE8z", "\xE8z", false},
      {"\xE8", "\xE8", false},
      {"plain", "plain", false},
      // Label text alone is not converted...
      {"<<#$c6    >>", "<<#$c6    >>", false},
      // ...but it is when the line holds a real sequence too.
      {"<<#$c6    >>\xCF", "\xA1\xDF", true},
      {"\xCF<<#$e8#$41>>", "\xDF\xC4", true},
      // Only exact labels of table entries count.
      {"\xCF<<#$E8#$41>>", "\xDF<<#$E8#$41>>", true},
      {"\xCF<<#$e8#$7a>>", "\xDF<<#$e8#$7a>>", true},
      {"\xCF<<#$c6    >", "\xDF<<#$c6    >", true},
  };
  for (const Conversion& c : cases) {
    std::string line = c.in;
    EXPECT_EQ(AnselToAnsi(line), c.changed) << hex(c.in);
    EXPECT_EQ(hex(line), hex(c.out)) << hex(c.in);
  }
}

// The conversions as first defined: one replace-all pass per table entry.
bool referenceUtf8ToAnsi(std::string& line) {
  if (line.find_first_of("\xC2\xC3") == std::string::npos) return false;
  const std::string before = line;
  for (int c = 0xA1; c <= 0xFF; ++c) {
    const char pattern[2] = {c <= 0xBF ? '\xC2' : '\xC3',
                             static_cast<char>(c <= 0xBF ? c : c - 0x40)};
    line = StrReplace(std::string_view(pattern, 2), std::string(1, static_cast<char>(c)), line, true);
  }
  return line != before;
}

struct AnselRow {
  int ansi;
  std::string sequence;
};

// The table written out once more, independently of the unit's own copy.
std::vector<AnselRow> anselRows() {
  const char* text =
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
      "FD E2 79|FE B4|FF E8 79";
  std::vector<AnselRow> rows;
  std::string item;
  for (const char* p = text;; ++p) {
    if (*p == '|' || *p == '\0') {
      AnselRow row{std::stoi(item.substr(0, 2), nullptr, 16), {}};
      for (size_t i = 3; i < item.size(); i += 3)
        row.sequence += static_cast<char>(std::stoi(item.substr(i, 2), nullptr, 16));
      rows.push_back(row);
      item.clear();
      if (*p == '\0') break;
    } else {
      item += *p;
    }
  }
  return rows;
}

std::string labelOf(const std::string& sequence) {
  char buf[16];
  const auto b = [&](size_t i) { return static_cast<unsigned char>(sequence[i]); };
  if (sequence.size() == 1)
    std::snprintf(buf, sizeof buf, "<<#$%02x    >>", b(0));
  else
    std::snprintf(buf, sizeof buf, "<<#$%02x#$%02x>>", b(0), b(1));
  return buf;
}

bool referenceAnselToAnsi(std::string& line) {
  static const std::vector<AnselRow> rows = anselRows();
  const std::string before = line;
  for (const AnselRow& r : rows) line = StrReplace(r.sequence, labelOf(r.sequence), line, true);
  if (line == before) return false;
  for (const AnselRow& r : rows)
    line = StrReplace(labelOf(r.sequence), std::string(1, static_cast<char>(r.ansi)), line, true);
  return line != before;
}

// Random lines built from the bytes that matter to a conversion, so that
// sequences, runs and near misses are frequent.
std::string randomLine(std::mt19937& rng, const std::vector<std::string>& pieces, size_t maxPieces) {
  std::uniform_int_distribution<size_t> count(0, maxPieces);
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::string line;
  for (size_t n = count(rng); n > 0; --n) line += pieces[pick(rng)];
  return line;
}

TEST(Utf8ToAnsi, OnePassEqualsTheSeriesOfReplacements) {
  std::vector<std::string> pieces = {"\xC2", "\xC3", "\x80", "\x82", "\x83", "\x84", "\xA0",
                                     "\xA1", "\xA4", "\xBF", "\xC0", "\xFF", "a", " "};
  for (int c = 0x80; c < 0x100; c += 7) pieces.emplace_back(1, static_cast<char>(c));
  std::mt19937 rng(1987);
  for (int i = 0; i < 50'000; ++i) {
    const std::string line = randomLine(rng, pieces, 12);
    std::string fast = line;
    std::string slow = line;
    const bool fastChanged = Utf8ToAnsi(fast);
    const bool slowChanged = referenceUtf8ToAnsi(slow);
    ASSERT_EQ(hex(fast), hex(slow)) << "input " << hex(line);
    ASSERT_EQ(fastChanged, slowChanged) << "input " << hex(line);
  }
}

TEST(AnselToAnsi, OnePassEqualsTheTwoPhasesOfReplacements) {
  std::vector<std::string> pieces = {"a", "A", " ", "<", ">", "#$", "e8", "c6", "    ",
                                     "<<#$", ">>", "\xE8", "\xE1", "\xD9", "\xE9", "\x7A"};
  for (const AnselRow& r : anselRows()) {
    pieces.push_back(r.sequence);
    pieces.push_back(labelOf(r.sequence));
    pieces.push_back(std::string(1, static_cast<char>(r.ansi)));
  }
  std::mt19937 rng(1850);
  for (int i = 0; i < 30'000; ++i) {
    const std::string line = randomLine(rng, pieces, 8);
    std::string fast = line;
    std::string slow = line;
    const bool fastChanged = AnselToAnsi(fast);
    const bool slowChanged = referenceAnselToAnsi(slow);
    ASSERT_EQ(hex(fast), hex(slow)) << "input " << hex(line);
    ASSERT_EQ(fastChanged, slowChanged) << "input " << hex(line);
  }
}

TEST(AnselToAnsi, EveryTableEntryGivesItsByte) {
  for (const AnselRow& r : anselRows()) {
    std::string line = "x" + r.sequence + "y";
    EXPECT_TRUE(AnselToAnsi(line)) << std::hex << r.ansi;
    EXPECT_EQ(hex(line), hex(std::string{'x', static_cast<char>(r.ansi), 'y'}));
  }
}

}  // namespace
}  // namespace rowsmith
