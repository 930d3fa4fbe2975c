#include "kernel/textcodec.h"


#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "kernel/cp1252.h"
#include "kernel/unicodeservices.h"

namespace rowsmith {

namespace {

unsigned char ub(char c) { return static_cast<unsigned char>(c); }

bool hasNulOrHighByte(std::string_view text) {
  for (char c : text)
    if (c == '\0' || (ub(c) & 0x80)) return true;
  return false;
}

// Text encoded twice holds a lead byte of UTF-8 taken as a Windows-1252
// character (U+00C2..U+00F4, "\xC3\x82".."\xC3\xB4") right before a
// continuation byte taken as one, whose UTF-8 starts with C2, C5, C6, CB or
// E2: the two bytes after such a C3.
bool marksEncodedTwice(unsigned char second, unsigned char third) {
  return second >= 0x82 && second <= 0xB4 &&
         (third == 0xC2 || third == 0xC5 || third == 0xC6 || third == 0xCB || third == 0xE2);
}

// Without such a pair the costly check is skipped.
bool mayBeEncodedTwice(std::string_view utf8) {
  for (size_t i = utf8.find('\xC3'); i != std::string_view::npos && i + 2 < utf8.size(); i = utf8.find('\xC3', i + 1)) {
    if (marksEncodedTwice(ub(utf8[i + 1]), ub(utf8[i + 2]))) return true;
  }
  return false;
}

void appendDecodedMixed(std::string& out, std::string_view bytes, bool& invalid) {
  for (size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const size_t length = utf8SequenceAt(bytes, i, code);
    if (length == 0) {
      invalid = true;
      code = cp1252ToUnicode(ub(bytes[i]));
    }
    i += length == 0 ? 1 : length;
    if (code != 0) appendUtf8(out, code);
  }
}

}  // namespace

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

size_t utf8SequenceAt(std::string_view text, size_t i, char32_t& code) {
  const unsigned char lead = ub(text[i]);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = ub(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

size_t nextCharacter(std::string_view text, size_t i, char32_t& code) {
  const size_t length = utf8SequenceAt(text, i, code);
  if (length > 0) return length;
  code = cp1252ToUnicode(ub(text[i]));
  return 1;
}

bool isWellFormedUtf8(std::string_view text) {
  char32_t code;
  for (size_t i = 0; i < text.size();) {
    const size_t length = utf8SequenceAt(text, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool hasUtf8MultiByte(std::string_view text) {
  char32_t code;
  for (size_t i = 0; i < text.size(); ++i) {
    if (ub(text[i]) >= 0xC2 && utf8SequenceAt(text, i, code) > 1) return true;
  }
  return false;
}


std::string toNfc(std::string_view utf8) {
  // Normalising reorders each run of marks by sorting it in place, which
  // takes the square of the run's length: the text goes to the normaliser in
  // pieces of a few kilobytes cut where no mark reaches across, and a run of
  // more than kMarksTogether marks is cut too, as if it began a new character.
  constexpr size_t kPieceBytes = 4096;
  constexpr int kMarksTogether = 32;
  size_t i = 0;
  while (i < utf8.size() && ub(utf8[i]) < 0x80) ++i;
  if (i == utf8.size()) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  size_t pieceStart = 0;
  int marks = 0;
  for (; i < utf8.size();) {
    char32_t code = 0;
    const size_t length = ub(utf8[i]) < 0x80 ? (code = ub(utf8[i]), 1) : nextCharacter(utf8, i, code);
    if (startsNfcSegment(code)) {
      marks = 0;
      if (i - pieceStart >= kPieceBytes) {
        appendNfc(out, utf8.substr(pieceStart, i - pieceStart));
        pieceStart = i;
      }
    } else if (++marks > kMarksTogether) {
      appendNfc(out, utf8.substr(pieceStart, i - pieceStart));
      pieceStart = i;
      marks = 1;
    }
    i += length;
  }
  appendNfc(out, utf8.substr(pieceStart));
  return out;
}

std::string decodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) appendUtf8(out, cp1252ToUnicode(ub(c)));
  return out;
}

std::string wellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const size_t length = nextCharacter(bytes, i, code);
    if (length > 1 || static_cast<unsigned char>(bytes[i]) < 0x80) {
      out.append(bytes.substr(i, length));
    } else {
      appendUtf8(out, code);
    }
    i += length;
  }
  return out;
}

std::string decodeUtf8Line(std::string_view bytes) {
  if (!hasNulOrHighByte(bytes)) return std::string(bytes);
  std::string once;
  bool invalid = false;
  if (bytes.find('\0') == std::string_view::npos && isWellFormedUtf8(bytes)) {
    once.assign(bytes);
  } else {
    once.reserve(bytes.size());
    appendDecodedMixed(once, bytes, invalid);
  }
  std::string back;
  if (!invalid && mayBeEncodedTwice(once) && utf8ToWindows1252Exact(once, back) && hasUtf8MultiByte(back) &&
      isWellFormedUtf8(back))
    once = std::move(back);
  return toNfc(once);
}

bool isPlainUtf8Line(std::string_view bytes) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  const size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    uint64_t word;
    if (i + 8 <= n) {
      std::memcpy(&word, bytes.data() + i, 8);
      // Eight ASCII characters, none of them NUL.
      if (((word | ((word - kOnes) & ~word)) & kHighBits) == 0) {
        i += 8;
        continue;
      }
    }
    const unsigned char lead = ub(bytes[i]);
    if (lead < 0x80) {
      if (lead == 0) return false;
      ++i;
      continue;
    }
    // Two-byte sequences of U+0080..U+02FF; U+0300 on are combining marks
    // and characters NFC may change.
    if (lead < 0xC2 || lead > 0xCB || i + 1 >= n || (ub(bytes[i + 1]) & 0xC0) != 0x80) return false;
    if (lead == 0xC3 && i + 2 < n && marksEncodedTwice(ub(bytes[i + 1]), ub(bytes[i + 2]))) return false;
    i += 2;
  }
  return true;
}

std::string decodeUtf16Line(std::string_view bytes, bool bigEndian, bool startsOdd) {
  if (startsOdd && !bytes.empty()) bytes.remove_prefix(1);
  std::string out;
  out.reserve(bytes.size());
  auto unitAt = [&](size_t i) -> char16_t {
    const unsigned char a = ub(bytes[i]);
    const unsigned char b = ub(bytes[i + 1]);
    return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  const size_t whole = bytes.size() & ~size_t{1};
  for (size_t i = 0; i < whole; i += 2) {
    char32_t code = unitAt(i);
    if (code >= 0xD800 && code <= 0xDBFF && i + 2 < whole) {
      const char16_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
    if (code != 0) appendUtf8(out, code);
  }
  // The half of a line end is 0; anything else is the stray end of a file
  // with an odd number of bytes.
  if (whole < bytes.size() && bytes.back() != '\0') appendUtf8(out, 0xFFFD);
  return toNfc(out);
}

bool utf8ToWindows1252Exact(std::string_view utf8, std::string& bytes) {
  bytes.clear();
  bytes.reserve(utf8.size());
  char32_t code;
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = utf8SequenceAt(utf8, i, code);
    const int byte = length == 0 ? -1 : windows1252Byte(code);
    if (byte < 0) return false;
    bytes += static_cast<char>(byte);
    i += length;
  }
  return true;
}

namespace {

// A stretch's bytes depend on nothing but the stretch, and a table repeats
// the same names and places many times over: each thread remembers the
// short stretches it has encoded, up to a count and a size. Long ones (a
// note in another script) seldom come twice.
void encodeStretchOnce(std::string& out, std::string_view stretch) {
  constexpr size_t kRemembered = 1 << 16;
  constexpr size_t kRememberedBytes = 16 << 20;
  constexpr size_t kLongStretch = 1024;
  if (stretch.size() > kLongStretch) {
    encodeStretch(out, stretch);
    return;
  }
  thread_local std::unordered_map<std::string, std::string> known;
  thread_local size_t knownBytes = 0;
  const auto hit = known.find(std::string(stretch));
  if (hit != known.end()) {
    out += hit->second;
    return;
  }
  const size_t begin = out.size();
  encodeStretch(out, stretch);
  const size_t bytes = stretch.size() + (out.size() - begin);
  if (known.size() < kRemembered && knownBytes + bytes <= kRememberedBytes) {
    known.emplace(stretch, out.substr(begin));
    knownBytes += bytes;
  }
}

}  // namespace

std::string encodeWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  appendWindows1252(out, utf8);
  return out;
}

void appendWindows1252(std::string& out, std::string_view utf8) {
  char32_t code = 0;
  char32_t next = 0;
  for (size_t i = 0; i < utf8.size();) {
    // Most of a table is ASCII: a run of it is copied whole, but for its last
    // byte when a mark may follow it.
    size_t asciiEnd = i;
    while (asciiEnd + 8 <= utf8.size()) {
      uint64_t word;
      std::memcpy(&word, utf8.data() + asciiEnd, 8);
      if (word & 0x8080808080808080ull) break;
      asciiEnd += 8;
    }
    while (asciiEnd < utf8.size() && ub(utf8[asciiEnd]) < 0x80) ++asciiEnd;
    if (asciiEnd == utf8.size() || asciiEnd > i + 1) {
      const size_t copied = asciiEnd == utf8.size() ? asciiEnd : asciiEnd - 1;
      out.append(utf8.data() + i, copied - i);
      i = copied;
      if (i == utf8.size()) break;
    }
    size_t length = nextCharacter(utf8, i, code);
    auto followedByMark = [&](size_t at) {
      return at < utf8.size() && (nextCharacter(utf8, at, next), extendsCluster(next));
    };
    int byte = windows1252Byte(code);
    if (byte >= 0 && !followedByMark(i + length)) {
      out += static_cast<char>(byte);
      i += length;
      continue;
    }
    // Gather up to the next character that stands alone in the code page.
    size_t end = i + length;
    while (end < utf8.size()) {
      length = nextCharacter(utf8, end, code);
      byte = windows1252Byte(code);
      if (byte >= 0 && !extendsCluster(code) && !followedByMark(end + length)) break;
      end += length;
    }
    encodeStretchOnce(out, utf8.substr(i, end - i));
    i = end;
  }
}


}  // namespace rowsmith
