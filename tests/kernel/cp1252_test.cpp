#include "kernel/cp1252.h"

#include <gtest/gtest.h>

namespace rowsmith {
namespace {

TEST(Cp1252, DecodesTheCodePageAndRoundTripsEveryByte) {
  const std::pair<unsigned char, char16_t> cases[] = {
      {0x00, 0x0000}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160},
      {0x96, 0x2013}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xFF, 0x00FF},
  };
  for (const auto& [byte, code] : cases) EXPECT_EQ(cp1252ToUnicode(byte), code) << int(byte);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(windows1252Byte(cp1252ToUnicode(static_cast<unsigned char>(i))), i);
  EXPECT_EQ(windows1252Byte(0x0394), -1);
}

}  // namespace
}  // namespace rowsmith
