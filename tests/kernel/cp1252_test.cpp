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
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(utf16ToCp1252(cp1252ToUtf16(all)), all);
  EXPECT_EQ(cp1252ToUtf8("M\xFC\x80"), "M\xC3\xBC\xE2\x82\xAC");
  EXPECT_EQ(utf16ToCp1252(u"a\u0394b\U0001F600c"), "a?b?c");
}

}  // namespace
}  // namespace rowsmith
