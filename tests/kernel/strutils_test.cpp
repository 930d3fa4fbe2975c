#include "kernel/strutils.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

TEST(SpaceStr, GivesExactlyCountBlanks) {
  EXPECT_EQ(SpaceStr(-5), "");
  EXPECT_EQ(SpaceStr(1 << 24), std::string(size_t{1} << 24, ' '));
}

TEST(CutUntilChar, TakesTheFrontOffTheText) {
  const struct {
    std::string text;
    bool cut;
    std::string head, rest;
  } cases[] = {
      {"a\tb\tc", true, "a", "b\tc"}, {"a\tb\tc", false, "a", "a\tb\tc"},
      {"abc", true, "abc", ""},       {"\tb", true, "", "b"},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(CutUntilChar('\t', text, c.cut), c.head) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
}

TEST(ReadUntilChar, WalksTheFieldsOfALine) {
  const std::string line = "a\tbb\t\tc";
  int32_t pos = -3;  // before the text reads from its start
  for (const auto& [field, next] : {std::pair<std::string, int>{"a", 3}, {"bb", 6}, {"", 7}, {"c", 9}, {"", 10}}) {
    EXPECT_EQ(ReadUntilChar('\t', line, pos), field);
    EXPECT_EQ(pos, next);
  }
}

TEST(DecodeCharCodes, DecodesOrNamesTheFault) {
  const std::string noNumber = "ERROR - # without number found!";
  const std::string tooLong = "ERROR - can not convert!";
  const std::string notByte = "ERROR - number must be a byte!";
  const struct {
    std::string in, out;
  } cases[] = {
      {"#10#13", "\n\r"}, {"x#9y", "x\ty"}, {"no codes", "no codes"}, {"#009", "\t"},
      {"#0", std::string(1, '\0')}, {"#255", "\xFF"}, {";#32", "; "},
      {"#", noNumber}, {"#x", noNumber}, {"a#9#", noNumber}, {"#35", noNumber},  // "#" cannot be written
      {"#256", notByte}, {"#2147483647", notByte}, {"#2147483648", tooLong}, {"#99999999999", tooLong},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeCharCodes(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace rowsmith
