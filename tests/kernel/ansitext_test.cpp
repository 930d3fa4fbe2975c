#include "kernel/ansitext.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

TEST(AnsiUpperCase, ChangesAsciiLettersAndNoByteOfOtherCharacters) {
  EXPECT_EQ(ansiUpperCase("m\xC3\xBCller \xE4\xB8\xAD z"), "M\xC3\xBCLLER \xE4\xB8\xAD Z");
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
