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

int unicodeToCp1252(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == code) return 0x80 + i;
  }
  return -1;
}

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

char16_t cp1252ToUnicode(unsigned char byte) { return kToUnicode[byte]; }

std::u16string cp1252ToUtf16(std::string_view text) {
  std::u16string out;
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out[i] = kToUnicode[static_cast<unsigned char>(text[i])];
  }
  return out;
}

std::string cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) appendUtf8(out, kToUnicode[static_cast<unsigned char>(c)]);
  return out;
}

std::string utf16ToCp1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    // A surrogate pair is one character outside the code page.
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
      out += '?';
      continue;
    }
    int byte = unicodeToCp1252(code);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

}  // namespace rowsmith
