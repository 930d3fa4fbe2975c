#include "kernel/strutils.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

TEST(SpaceStr, GivesExactlyCountBlanks) {
  EXPECT_EQ(SpaceStr(0), "");
  EXPECT_EQ(SpaceStr(-5), "");
  EXPECT_EQ(SpaceStr(1), " ");
  const std::string big = SpaceStr(1 << 24);
  EXPECT_EQ(big.size(), size_t{1} << 24);
  EXPECT_EQ(big.find_first_not_of(' '), std::string::npos);
}

TEST(CutUntilChar, TakesTheFrontOffTheText) {
  struct Case {
    std::string text;
    bool cut;
    std::string head, rest;
  } cases[] = {
      {"a\tb\tc", true, "a", "b\tc"},
      {"a\tb\tc", false, "a", "a\tb\tc"},
      {"abc", true, "abc", ""},
      {"\tb", true, "", "b"},
      {"a\t", true, "a", ""},
      {"", true, "", ""},
  };
  for (Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(CutUntilChar('\t', text, c.cut), c.head) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
}

TEST(ReadUntilChar, WalksTheFieldsOfALine) {
  const std::string line = "a\tbb\t\tc";
  int32_t pos = 1;
  EXPECT_EQ(ReadUntilChar('\t', line, pos), "a");
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(ReadUntilChar('\t', line, pos), "bb");
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(ReadUntilChar('\t', line, pos), "");
  EXPECT_EQ(pos, 7);
  EXPECT_EQ(ReadUntilChar('\t', line, pos), "c");
  EXPECT_EQ(pos, 9);  // one past the end, plus one
  EXPECT_EQ(ReadUntilChar('\t', line, pos), "");
  EXPECT_EQ(pos, 10);
  EXPECT_EQ(line, "a\tbb\t\tc");
}

TEST(ReadUntilChar, PositionBeforeTheTextReadsFromItsStart) {
  int32_t pos = -3;
  EXPECT_EQ(ReadUntilChar(',', "x,y", pos), "x");
  EXPECT_EQ(pos, 3);
}

TEST(DecodeCharCodes, DecodesOrNamesTheFault) {
  const std::string noNumber = "ERROR - # without number found!";
  const std::string tooLong = "ERROR - can not convert!";
  const std::string notByte = "ERROR - number must be a byte!";
  const struct {
    std::string in, out;
  } cases[] = {
      {"#9", "\t"},
      {"#10#13", "\n\r"},
      {"#13#10", "\r\n"},
      {"x#9y", "x\ty"},
      {"no codes", "no codes"},
      {"", ""},
      {"#009", "\t"},
      {"#59", ";"},
      {"#0", std::string(1, '\0')},
      {"#255", "\xFF"},
      {";#32", "; "},
      {"#", noNumber},
      {"#x", noNumber},
      {"a#9#", noNumber},
      {"#35", noNumber},  // "#" cannot be written
      {"#256", notByte},
      {"#99999999999", tooLong},
      {"#2147483648", tooLong},
      {"#2147483647", notByte},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeCharCodes(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace rowsmith
