#include "kernel/cp1252.h"

#include <array>

namespace rowsmith {

namespace {

// Bytes 80..9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> makeTable() {
  std::array<char16_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<char16_t>(i);
  for (int i = 0; i < 32; ++i) table[0x80 + i] = kHighControls[i];
  return table;
}

constexpr std::array<char16_t, 256> kToUnicode = makeTable();

}  // namespace

char16_t cp1252ToUnicode(unsigned char byte) { return kToUnicode[byte]; }

int windows1252Byte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == code) return 0x80 + i;
  }
  return -1;
}

}  // namespace rowsmith
