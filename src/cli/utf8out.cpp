#include "cli/utf8out.h"

#include <array>
#include <cstdint>

namespace rowsmith::cli {

namespace {

constexpr uint16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct Encoded {
  char bytes[3];
  uint8_t length;
};

constexpr std::array<Encoded, 256> makeTable() {
  std::array<Encoded, 256> table{};
  for (int b = 0; b < 256; ++b) {
    uint32_t cp = (b >= 0x80 && b < 0xA0) ? kHighHalf[b - 0x80] : static_cast<uint32_t>(b);
    Encoded& e = table[static_cast<size_t>(b)];
    if (cp < 0x80) {
      e.bytes[0] = static_cast<char>(cp);
      e.length = 1;
    } else if (cp < 0x800) {
      e.bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
      e.bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
      e.length = 2;
    } else {
      e.bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
      e.bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      e.bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
      e.length = 3;
    }
  }
  return table;
}

constexpr std::array<Encoded, 256> kTable = makeTable();

}  // namespace

std::string windows1252ToUtf8(std::string_view text) {
  size_t size = 0;
  for (unsigned char c : text) size += kTable[c].length;
  std::string out;
  out.resize(size);
  char* p = out.data();
  for (unsigned char c : text) {
    const Encoded& e = kTable[c];
    for (uint8_t i = 0; i < e.length; ++i) *p++ = e.bytes[i];
  }
  return out;
}

}  // namespace rowsmith::cli
