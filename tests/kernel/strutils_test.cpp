#include "kernel/strutils.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/ansitext.h"

namespace rowsmith {
namespace {

TEST(DecodeCharCodes, DecodesOrNamesTheFault) {
  const std::string noNumber = "ERROR - # without number found!";
  const std::string tooLong = "ERROR - can not convert!";
  const std::string notByte = "ERROR - number must be a byte!";
  const struct {
    std::string in, out;
  } cases[] = {
      {"#10#13", "\n\r"}, {"x#9y", "x\ty"}, {"#009", "\t"}, {"#0", std::string(1, '\0')},
      {"a#9#", noNumber}, {"#35", noNumber},  // "#" cannot be written
      {"#256", notByte}, {"#2147483647", notByte}, {"#2147483648", tooLong},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeCharCodes(c.in), c.out) << c.in;
}

TEST(ToInt32, AcceptsSignedDecimalWithinRange) {
  const std::pair<std::string, std::optional<int32_t>> cases[] = {
      {"+42", 42}, {"-2147483648", INT32_MIN}, {"00000000000000000012", 12}, {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt}, {"-", std::nullopt}, {" 1", std::nullopt}, {"$1F", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(toInt32(text), value) << "'" << text << "'";
}

}  // namespace
}  // namespace rowsmith
