// The Unicode services from the browser's own functions, for the build that
// runs in a browser: normalisation and case come from JavaScript's String,
// whose tables are the browser's Unicode. There is no transliterator, so a
// cluster outside the code page is decomposed and loses its marks (ą -> a,
// ó stays ó), a handful of Latin letters without a decomposition get their
// usual ASCII form (Ł -> L, đ -> d), and other scripts become '?'.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/cp1252.h"
#include "kernel/markclusters.h"
#include "kernel/textcodec.h"
#include "kernel/unicodeservices.h"

// JavaScript helpers. Strings cross as UTF-8 in the module's memory; the
// result is written to a buffer malloc'ed here and freed by the caller.
// clang-format off
EM_JS(char*, web_normalize, (const char* text, int length, int nfd), {
  const s = UTF8ToString(text, length).normalize(nfd ? 'NFD' : 'NFC');
  const bytes = lengthBytesUTF8(s) + 1;
  const out = _malloc(bytes);
  stringToUTF8(s, out, bytes);
  return out;
});
// The simple upper-case mapping of every code point below 0x10000 and, for
// the marks test, whether it extends a cluster; filled once.
EM_JS(void, web_fill_tables, (uint16_t* upper, uint8_t* extend), {
  // A backslash would not survive the macro, hence the character code.
  const bs = String.fromCharCode(92);
  const mark = new RegExp('^[' + bs + 'p{Mn}' + bs + 'p{Me}' + bs + 'p{Mc}' + bs + 'u200D]$', 'u');
  for (let c = 0; c < 0x10000; ++c) {
    let u = c;
    if (c < 0xD800 || c > 0xDFFF) {
      const s = String.fromCharCode(c);
      const up = s.toUpperCase();
      if (up.length === 1) u = up.charCodeAt(0);
      HEAPU8[extend + c] = c >= 0x300 && mark.test(s) ? 1 : 0;
    } else {
      HEAPU8[extend + c] = 0;
    }
    HEAPU16[(upper >> 1) + c] = u;
  }
});
EM_JS(int, web_upper_astral, (uint32_t code), {
  const up = String.fromCodePoint(code).toUpperCase();
  return up.length === 2 ? up.codePointAt(0) : code;
});
EM_JS(int, web_extends_astral, (uint32_t code), {
  const bs = String.fromCharCode(92);
  return new RegExp('^[' + bs + 'p{Mn}' + bs + 'p{Me}' + bs + 'p{Mc}]$', 'u').test(String.fromCodePoint(code)) ? 1 : 0;
});
// clang-format on

namespace rowsmith {

namespace {

struct Tables {
  std::vector<uint16_t> upper = std::vector<uint16_t>(0x10000);
  std::vector<uint8_t> extend = std::vector<uint8_t>(0x10000);
  Tables() { web_fill_tables(upper.data(), extend.data()); }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

std::string normalized(std::string_view utf8, bool nfd) {
  char* out = web_normalize(utf8.data(), static_cast<int>(utf8.size()), nfd ? 1 : 0);
  std::string text(out);
  free(out);
  return text;
}

// Latin letters that have no decomposition but a plain form any reader knows.
const char* plainLatin(char32_t code) {
  switch (code) {
    case 0x0110: return "D";   // Đ
    case 0x0111: return "d";   // đ
    case 0x0126: return "H";   // Ħ
    case 0x0127: return "h";   // ħ
    case 0x0131: return "i";   // ı
    case 0x0132: return "IJ";  // Ĳ
    case 0x0133: return "ij";  // ĳ
    case 0x0138: return "q";   // ĸ
    case 0x013F: return "L";   // Ŀ
    case 0x0140: return "l";   // ŀ
    case 0x0141: return "L";   // Ł
    case 0x0142: return "l";   // ł
    case 0x0149: return "'n";  // ŉ
    case 0x014A: return "N";   // Ŋ
    case 0x014B: return "n";   // ŋ
    case 0x0166: return "T";   // Ŧ
    case 0x0167: return "t";   // ŧ
    case 0x0180: return "b";   // ƀ
    case 0x0197: return "I";   // Ɨ
    case 0x01B5: return "Z";   // Ƶ
    case 0x01B6: return "z";   // ƶ
    case 0x0237: return "j";   // ȷ
    case 0x0251: return "a";   // ɑ
    case 0x1E9E: return "SS";  // ẞ
    case 0x2010: case 0x2011: case 0x2012: case 0x2043: case 0x2212: return "-";
    case 0x2002: case 0x2003: case 0x2009: case 0x200A: case 0x202F: case 0x205F: return " ";
    case 0x2032: case 0x02B9: case 0x02BB: case 0x02BC: case 0x02BE: case 0x02BF: return "'";
    case 0x02BA: return "\"";
    case 0x2033: return "\"";
    case 0x2044: case 0x2215: return "/";
    case 0x2113: return "l";  // ℓ
    case 0x2117: return "(P)";  // ℗
    default: break;
  }
  // Cyrillic and Greek letter by letter, as the usual romanisations write
  // them without marks; what they do with context (Greek diphthongs, "Th"
  // before a small letter) is not attempted.
  static constexpr const char* kCyrillic[64] = {
      "A", "B", "V", "G", "D", "E", "Z", "Z", "I", "J", "K", "L", "M", "N", "O", "P",
      "R", "S", "T", "U", "F", "H", "C", "C", "S", "S", "\"", "Y", "'", "E", "U", "A",
      "a", "b", "v", "g", "d", "e", "z", "z", "i", "j", "k", "l", "m", "n", "o", "p",
      "r", "s", "t", "u", "f", "h", "c", "c", "s", "s", "\"", "y", "'", "e", "u", "a"};
  if (code >= 0x0410 && code <= 0x044F) return kCyrillic[code - 0x0410];
  static constexpr const char* kCyrillicExtra[16] = {"E", "E", "D", "G", "E", "Z", "I", "I",
                                                     "J", "LJ", "NJ", "C", "K", "I", "U", "DZ"};
  if (code >= 0x0400 && code <= 0x040F) return kCyrillicExtra[code - 0x0400];
  if (code >= 0x0450 && code <= 0x045F) {
    static constexpr const char* kSmall[16] = {"e", "e", "d", "g", "e", "z", "i", "i",
                                               "j", "lj", "nj", "c", "k", "i", "u", "dz"};
    return kSmall[code - 0x0450];
  }
  if (code == 0x0490) return "G";
  if (code == 0x0491) return "g";
  static constexpr const char* kGreek[25] = {"A", "B", "G", "D", "E", "Z", "E", "TH", "I", "K", "L", "M", "N",
                                             "X", "O", "P", "R", nullptr, "S", "T", "Y", "PH", "CH", "PS", "O"};
  if (code >= 0x0391 && code <= 0x03A9) return kGreek[code - 0x0391];
  static constexpr const char* kGreekSmall[25] = {"a", "b", "g", "d", "e", "z", "e", "th", "i", "k", "l", "m", "n",
                                                  "x", "o", "p", "r", "s", "s", "t", "y", "ph", "ch", "ps", "o"};
  if (code >= 0x03B1 && code <= 0x03C9) return kGreekSmall[code - 0x03B1];
  return nullptr;
}

// One cluster without a code-page byte of its own: its decomposition with
// the marks dropped, where what is left has bytes.
void appendFolded(std::string& out, std::string_view cluster) {
  char32_t first = 0;
  if (nextCharacter(cluster, 0, first) == cluster.size()) {
    // A letter of its own first: Й is J, not И with its breve dropped.
    if (const char* plain = plainLatin(first)) {
      out += plain;
      return;
    }
  }
  const std::string parts = normalized(cluster, true);
  std::string folded;
  for (size_t i = 0; i < parts.size();) {
    char32_t code = 0;
    i += nextCharacter(parts, i, code);
    if (extendsCluster(code)) continue;
    const int byte = windows1252Byte(code);
    if (byte >= 0) folded += static_cast<char>(byte);
    else if (const char* plain = plainLatin(code)) folded += plain;
    else folded += '?';
  }
  out += folded.empty() ? std::string("?") : folded;
}

}  // namespace

bool extendsCluster(char32_t code) {
  if (code < 0x300) return false;
  if (code < 0x10000) return tables().extend[code] != 0;
  return web_extends_astral(code) != 0;
}

void encodeStretch(std::string& out, std::string_view utf8) { encodeClusters(out, utf8, appendFolded); }

bool startsNfcSegment(char32_t code) { return startsNfcSegmentAtMark(code); }

void appendNfc(std::string& out, std::string_view utf8) {
  // Every character below U+0300 is stable under NFC, and in UTF-8 those are
  // exactly the texts without a byte from 0xCC up: most names and places,
  // which then need no trip to JavaScript.
  bool stable = true;
  for (char c : utf8) stable &= static_cast<unsigned char>(c) < 0xCC;
  if (stable) out.append(utf8);
  else out += normalized(utf8, false);
}

char32_t upperChar(char32_t code) {
  if (code < 0x80) return code >= 'a' && code <= 'z' ? code - 0x20 : code;
  if (code < 0x10000) return tables().upper[code];
  return static_cast<char32_t>(web_upper_astral(code));
}

bool codePageCharacters(const char* icuName, unsigned, char32_t (&high)[128]) {
  struct Page {
    const char* name;
    char32_t high[128];
  };
  static constexpr Page kPages[] = {
#include "codepages.inc"
  };
  for (const Page& page : kPages) {
    if (std::string_view(page.name) != icuName) continue;
    std::copy(std::begin(page.high), std::end(page.high), std::begin(high));
    return true;
  }
  return false;
}

}  // namespace rowsmith
