#pragma once
// Scans of text eight bytes at a time, for loops that look at every line of
// a file: most lines hold none of what is looked for, and a word of eight
// bytes is ruled out with a few instructions. Inline, because a call per line
// would cost as much as the scan of a short one.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rowsmith {

namespace bytescan {

inline constexpr uint64_t kOnes = 0x0101010101010101ull;
inline constexpr uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of every zero byte of word is set; the lowest one flagged is
// always a true zero, and a byte above a zero may be flagged as well.
inline uint64_t zeroBytes(uint64_t word) { return (word - kOnes) & ~word & kHighBits; }

inline uint64_t wordAt(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}

}  // namespace bytescan

// The first byte c in text, or text.size(): quicker than memchr on texts as
// short as most lines and their parts; long ones are left to memchr.
inline size_t findByte(std::string_view text, char c) {
  const uint64_t pattern = bytescan::kOnes * static_cast<uint8_t>(c);
  const size_t n = text.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    if (i == 64) {
      const void* hit = std::memchr(text.data() + i, c, n - i);
      return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data()) : n;
    }
    const uint64_t hits = bytescan::zeroBytes(bytescan::wordAt(text.data() + i) ^ pattern);
    if (hits != 0) return i + static_cast<size_t>(std::countr_zero(hits)) / 8;
  }
  while (i < n && text[i] != c) ++i;
  return i;
}

// Whether text holds a NUL byte or one above 127: the only bytes a decoder
// of an 8-bit character set changes.
inline bool hasNulOrHighByte(std::string_view text) {
  const char* p = text.data();
  size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    const uint64_t word = bytescan::wordAt(p);
    if ((word | ((word - bytescan::kOnes) & ~word)) & bytescan::kHighBits) return true;
  }
  for (; n > 0; ++p, --n) {
    if (*p == 0 || (static_cast<unsigned char>(*p) & 0x80)) return true;
  }
  return false;
}

// Whether what (two bytes or more) stands anywhere in text. Words of 8 bytes
// are first searched for what's first two bytes side by side, which most
// texts lack; only from the first word that has them on is what compared.
inline bool containsBytes(std::string_view text, std::string_view what) {
  const uint64_t first = bytescan::kOnes * static_cast<uint8_t>(what[0]);
  const uint64_t second = bytescan::kOnes * static_cast<uint8_t>(what[1]);
  size_t i = 0;
  for (; i + 9 <= text.size(); i += 8) {
    const uint64_t here = bytescan::wordAt(text.data() + i);
    const uint64_t after = bytescan::wordAt(text.data() + i + 1);
    if (bytescan::zeroBytes(here ^ first) & bytescan::zeroBytes(after ^ second)) break;
  }
  for (; i + what.size() <= text.size(); ++i) {
    if (text[i] == what[0] && text.compare(i, what.size(), what) == 0) return true;
  }
  return false;
}

}  // namespace rowsmith
