#include "kernel/ansitext.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

TEST(AnsiUpperCase, ChangesOnlyWindows1252Letters) {
  std::string changed, expected;
  for (int c = 0; c < 256; ++c)
    if (ansiUpperChar(static_cast<char>(c)) != static_cast<char>(c)) changed += static_cast<char>(c);
  for (int c = 'a'; c <= 'z'; ++c) expected += static_cast<char>(c);
  expected += "\x9A\x9C\x9E";
  for (int c = 0xE0; c <= 0xFF; ++c)
    if (c != 0xF7) expected += static_cast<char>(c);
  EXPECT_EQ(changed, expected);
  EXPECT_EQ(ansiUpperCase("m\xFCller \xFF\x9A\xB5\xDF\xF7"), "M\xDCLLER \x9F\x8A\xB5\xDF\xF7");
}

TEST(Trim, RemovesBlanksAndControlCharactersAtTheEnds) {
  EXPECT_EQ(trimView(" \t\r\n a b \x01\x1F "), "a b");
  EXPECT_EQ(trimView(std::string("\0x\0", 3)), "x");
  EXPECT_EQ(trimView("\xA0x\xA0"), "\xA0x\xA0");  // no-break space is text
  EXPECT_EQ(trimRightView("  x \r\n"), "  x");
}

TEST(ToInt32, AcceptsSignedDecimalWithinRange) {
  const std::pair<std::string, std::optional<int32_t>> cases[] = {
      {"+42", 42}, {"-42", -42}, {"0009", 9}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
      {"00000000000000000012", 12}, {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
      {" 1", std::nullopt}, {"1 ", std::nullopt}, {"$1F", std::nullopt}, {"--1", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(toInt32(text), value) << "'" << text << "'";
}

}  // namespace
}  // namespace rowsmith
