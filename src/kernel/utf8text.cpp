#include "kernel/utf8text.h"

#include <limits>

namespace rowsmith {
namespace {

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

char asciiUpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

std::string asciiUpperCase(std::string_view text) {
  std::string out(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) out[i] = asciiUpperChar(text[i]);
  return out;
}

std::string_view trimView(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && isBlankOrControl(text[b])) ++b;
  while (e > b && isBlankOrControl(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::string trimText(std::string_view text) { return std::string(trimView(text)); }

std::string_view trimRightView(std::string_view text) {
  size_t e = text.size();
  while (e > 0 && isBlankOrControl(text[e - 1])) --e;
  return text.substr(0, e);
}

std::optional<int32_t> toInt32(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  // Accumulate the magnitude; the limit allows -2147483648.
  const int64_t limit = negative ? int64_t{1} << 31 : (int64_t{1} << 31) - 1;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace rowsmith
