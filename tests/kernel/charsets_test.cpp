#include "kernel/charsets.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/textcodec.h"

namespace rowsmith {
namespace {

// Sequences that stand for one Windows-1252 character decode to it, whatever
// the marks alone would give.
TEST(AnselCharset, KeepsWhatCommonSequencesAlwaysGave) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xC6", "\xA1"}, {"\xD9\x21", "\xA2"}, {"\xE5\x20", "\xAF"}, {"\xE8\x79", "\xFF"},
  };
  for (const auto& [sequence, ansi] : cases) {
    EXPECT_TRUE(hasAnselSequence(sequence)) << ansi;
    EXPECT_EQ(decodeAnselLine(sequence), decodeWindows1252(ansi)) << ansi;
  }
}

// A mark on a letter gives the composed letter, whether a common sequence
// covers the pair or not.
TEST(AnselCharset, EveryMarkedLetterIsItsComposedCharacter) {
  const std::pair<char, char32_t> marks[] = {{'\xE1', 0x300}, {'\xE2', 0x301}, {'\xE3', 0x302}, {'\xE4', 0x303},
                                             {'\xE8', 0x308}, {'\xEA', 0x30A}, {'\xF0', 0x327}};
  for (const auto& [mark, combining] : marks) {
    for (char letter : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) {
      std::string expected(1, letter);
      appendUtf8(expected, combining);
      EXPECT_EQ(decodeAnselLine(std::string{mark, letter}), toNfc(expected)) << std::hex << int(mark & 0xFF) << letter;
    }
  }
}

TEST(AnselCharset, PutsEveryMarkAfterItsLetterAndComposes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Dvo\xE9rak", "Dvořak"},           // caron, no common sequence
      {"\xA1\xE2od\xE2z", "Łódź"},        // special letter, acute on o and z
      {"W\xF1" "asowski", "Wąsowski"},     // ogonek
      {"\xE8\xE2u", "ǘ"},                 // two marks on one letter, in their order
      {"\xE3 ", " \u0302"},               // on a space it follows the space
      {std::string("a\0b\x81\xD0", 5), "ab\u0081Ð"},  // NUL dropped; unknown bytes as Windows-1252
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(decodeAnselLine(in), out) << in;
  EXPECT_FALSE(hasAnselSequence("Dvo\xE9r\x81k"));
}

}  // namespace
}  // namespace rowsmith
