#include "kernel/charcodes.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/utf8text.h"

namespace rowsmith {
namespace {

TEST(DecodeCharCodes, DecodesOrNamesTheFault) {
  using E = CharCodeError;
  const struct {
    std::string in, out;
    E error;
  } cases[] = {
      {"#10#13", "\n\r", E::None}, {"x#9y", "x\ty", E::None}, {"#009", "\t", E::None},
      {"#0", std::string(1, '\0'), E::None},
      // A text that reads like a fault is a text like any other.
      {"ERROR - ", "ERROR - ", E::None},
      {"a#9#", "", E::MissingNumber}, {"#35", "", E::MissingNumber},  // "#" cannot be written
      {"#256", "", E::NotAByte}, {"#2147483647", "", E::NotAByte}, {"#2147483648", "", E::NotANumber},
  };
  for (const auto& c : cases) {
    const DecodedCharCodes decoded = decodeCharCodes(c.in);
    EXPECT_EQ(decoded.bytes, c.out) << c.in;
    EXPECT_EQ(decoded.error, c.error) << c.in;
  }
  EXPECT_EQ(charCodeErrorText(E::NotAByte), "ERROR - number must be a byte!");
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
