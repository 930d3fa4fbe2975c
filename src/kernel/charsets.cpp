#include "kernel/charsets.h"

#include <array>
#include <mutex>

#include "kernel/cp1252.h"
#include "kernel/textcodec.h"
#include "kernel/unicodeservices.h"

namespace rowsmith {
namespace {

unsigned char ub(char c) { return static_cast<unsigned char>(c); }

// The common sequences with their Windows-1252 results. They decide before
// the general rules, so that a sequence keeps the character it always gave
// (D9 xx specials).
struct AnselEntry {
  unsigned char ansi;
  unsigned char first;
  unsigned char second;  // 0 for a one-byte sequence
};

constexpr AnselEntry kAnsel[] = {
    {0xA1, 0xC6, 0}, {0xA2, 0xD9, 0x21}, {0xA3, 0xB9, 0}, {0xA4, 0xD9, 0x25},
    {0xA5, 0xD9, 0x22}, {0xA6, 0xD9, 0x45}, {0xA7, 0xD9, 0x47}, {0xA8, 0xE8, 0x20},
    {0xA9, 0xC3, 0}, {0xAA, 0xD9, 0x41}, {0xAB, 0xD9, 0x43}, {0xAC, 0xD9, 0x68},
    {0xAD, 0xD9, 0x77}, {0xAE, 0xAA, 0}, {0xAF, 0xE5, 0x20}, {0xB0, 0xC0, 0},
    {0xB1, 0xAB, 0}, {0xB2, 0xD9, 0x32}, {0xB3, 0xD9, 0x33}, {0xB4, 0xE2, 0x20},
    {0xB5, 0xD9, 0x5A}, {0xB6, 0xD9, 0x46}, {0xB7, 0xA8, 0}, {0xB8, 0xF0, 0x20},
    {0xB9, 0xD9, 0x31}, {0xBA, 0xD9, 0x42}, {0xBB, 0xD9, 0x44}, {0xBC, 0xD9, 0x62},
    {0xBD, 0xD9, 0x61}, {0xBE, 0xD9, 0x63}, {0xBF, 0xC5, 0}, {0xC0, 0xE1, 0x41},
    {0xC1, 0xE2, 0x41}, {0xC2, 0xE3, 0x41}, {0xC3, 0xE4, 0x41}, {0xC4, 0xE8, 0x41},
    {0xC5, 0xEA, 0x41}, {0xC6, 0xA5, 0}, {0xC7, 0xF0, 0x43}, {0xC8, 0xE1, 0x45},
    {0xC9, 0xE2, 0x45}, {0xCA, 0xE3, 0x45}, {0xCB, 0xE8, 0x45}, {0xCC, 0xE1, 0x49},
    {0xCD, 0xE2, 0x49}, {0xCE, 0xE3, 0x49}, {0xCF, 0xE8, 0x49},
    {0xD1, 0xE4, 0x4E}, {0xD2, 0xE1, 0x4F}, {0xD3, 0xE2, 0x4F}, {0xD4, 0xE3, 0x4F},
    {0xD5, 0xE4, 0x4F}, {0xD6, 0xE8, 0x4F}, {0xD7, 0xD9, 0x6A}, {0xD8, 0xA2, 0},
    {0xD9, 0xE1, 0x55}, {0xDA, 0xE2, 0x55}, {0xDB, 0xE3, 0x55}, {0xDC, 0xE8, 0x55},
    {0xDD, 0xE2, 0x59}, {0xDE, 0xA4, 0}, {0xDF, 0xCF, 0}, {0xE0, 0xE1, 0x61},
    {0xE1, 0xE2, 0x61}, {0xE2, 0xE3, 0x61}, {0xE3, 0xE4, 0x61}, {0xE4, 0xE8, 0x61},
    {0xE5, 0xEA, 0x61}, {0xE6, 0xB5, 0}, {0xE7, 0xF0, 0x63}, {0xE8, 0xE1, 0x65},
    {0xE9, 0xE2, 0x65}, {0xEA, 0xE3, 0x65}, {0xEB, 0xE8, 0x65}, {0xEC, 0xE1, 0x69},
    {0xED, 0xE2, 0x69}, {0xEE, 0xE3, 0x69}, {0xEF, 0xE8, 0x69}, {0xF0, 0xBA, 0},
    {0xF1, 0xE4, 0x6E}, {0xF2, 0xE1, 0x6F}, {0xF3, 0xE2, 0x6F}, {0xF4, 0xE3, 0x6F},
    {0xF5, 0xE4, 0x6F}, {0xF6, 0xE8, 0x6F}, {0xF7, 0xD9, 0x6D}, {0xF8, 0xB2, 0},
    {0xF9, 0xE1, 0x75}, {0xFA, 0xE2, 0x75}, {0xFB, 0xE3, 0x75}, {0xFC, 0xE8, 0x75},
    {0xFD, 0xE2, 0x79}, {0xFE, 0xB4, 0}, {0xFF, 0xE8, 0x79},
};
static_assert(sizeof(kAnsel) / sizeof(kAnsel[0]) == 94);
// D with stroke (Đorđević), not the Icelandic eth that looks like it; still
// a sign of ANSEL when the set is guessed.
constexpr unsigned char kAnselDStroke = 0xA3;

// The rest of the ANSEL graphic set, 0 where it has no character.
constexpr char32_t kAnselSpecials[0x60] = {
    // A0..AF
    0, 0x0141, 0x00D8, 0x0110, 0x00DE, 0x00C6, 0x0152, 0x02B9,
    0x00B7, 0x266D, 0x00AE, 0x00B1, 0x01A0, 0x01AF, 0x02BC, 0,
    // B0..BF
    0x02BB, 0x0142, 0x00F8, 0x0111, 0x00FE, 0x00E6, 0x0153, 0x02BA,
    0x0131, 0x00A3, 0x00F0, 0, 0x01A1, 0x01B0, 0x25A1, 0x25A0,
    // C0..CF
    0x00B0, 0x2113, 0x2117, 0x00A9, 0x266F, 0x00BF, 0x00A1, 0x00DF,
    0x20AC, 0, 0, 0, 0, 0x0065, 0x006F, 0x00DF,
    // D0..DF
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // E0..FF: the combining marks, written before their letter
    0x0309, 0x0300, 0x0301, 0x0302, 0x0303, 0x0304, 0x0306, 0x0307,
    0x0308, 0x030C, 0x030A, 0xFE20, 0xFE21, 0x0315, 0x030B, 0x0310,
    0x0327, 0x0328, 0x0323, 0x0324, 0x0325, 0x0333, 0x0332, 0x0326,
    0x031C, 0x032E, 0xFE22, 0xFE23, 0x0338, 0x0337, 0x0313, 0,
};

bool isMark(unsigned char c) { return c >= 0xE0 && c <= 0xFE; }

struct AnselLookup {
  std::array<unsigned char, 256> single{};
  std::array<std::array<unsigned char, 256>, 256> pair{};
};

const AnselLookup& anselLookup() {
  static const AnselLookup lookup = [] {
    AnselLookup t;
    for (const AnselEntry& e : kAnsel) {
      if (e.second == 0)
        t.single[e.first] = e.ansi;
      else
        t.pair[e.first][e.second] = e.ansi;
    }
    return t;
  }();
  return lookup;
}

// One character that is not a mark. Bytes without an ANSEL meaning keep
// their Windows-1252 one, so nothing of a mixed file is lost.
char32_t anselCharacter(const AnselLookup& t, unsigned char c) {
  if (c < 0x80) return c;
  if (t.single[c] != 0) return cp1252ToUnicode(t.single[c]);
  if (c >= 0xA0 && kAnselSpecials[c - 0xA0] != 0) return kAnselSpecials[c - 0xA0];
  return cp1252ToUnicode(c);
}

}  // namespace

bool hasAnselSequence(std::string_view line) {
  const AnselLookup& t = anselLookup();
  for (size_t i = 0; i < line.size(); ++i) {
    const unsigned char c = ub(line[i]);
    if (t.single[c] != 0 || c == kAnselDStroke || (i + 1 < line.size() && t.pair[c][ub(line[i + 1])] != 0))
      return true;
  }
  return false;
}

std::string decodeAnselLine(std::string_view line) {
  const AnselLookup& t = anselLookup();
  std::string out;
  out.reserve(line.size() + line.size() / 2);
  for (size_t i = 0; i < line.size();) {
    const unsigned char c = ub(line[i]);
    if (c == 0) {
      ++i;
    } else if (i + 1 < line.size() && t.pair[c][ub(line[i + 1])] != 0) {
      appendUtf8(out, cp1252ToUnicode(t.pair[c][ub(line[i + 1])]));
      i += 2;
    } else if (isMark(c) && kAnselSpecials[c - 0xA0] != 0) {
      // Marks before their letter; Unicode wants them after it.
      size_t end = i;
      while (end < line.size() && isMark(ub(line[end])) && kAnselSpecials[ub(line[end]) - 0xA0] != 0) ++end;
      if (end < line.size() && line[end] != '\0') appendUtf8(out, anselCharacter(t, ub(line[end])));
      for (size_t k = i; k < end; ++k) appendUtf8(out, kAnselSpecials[ub(line[k]) - 0xA0]);
      i = end < line.size() ? end + 1 : end;
    } else {
      appendUtf8(out, anselCharacter(t, c));
      ++i;
    }
  }
  return toNfc(out);
}

namespace {

struct NamedCodePage {
  const char* name;  // upper case, without blanks, "-" and "_"
  const char* icuName;
  unsigned windowsNumber;
};

constexpr NamedCodePage kCodePages[] = {
    {"IBMPC", "ibm-437", 437},          {"IBMDOS", "ibm-437", 437},         {"MSDOS", "ibm-437", 437},
    {"CP437", "ibm-437", 437},          {"CP850", "ibm-850", 850},          {"MACINTOSH", "macintosh", 10000},
    {"ISO88591", "ISO-8859-1", 28591},  {"ISO88592", "ISO-8859-2", 28592},  {"ISO88593", "ISO-8859-3", 28593},
    {"ISO88594", "ISO-8859-4", 28594},  {"ISO88595", "ISO-8859-5", 28595},  {"ISO88596", "ISO-8859-6", 28596},
    {"ISO88597", "ISO-8859-7", 28597},  {"ISO88598", "ISO-8859-8", 28598},  {"ISO88599", "ISO-8859-9", 28599},
    {"ISO885910", "ISO-8859-10", 28600}, {"ISO885911", "ISO-8859-11", 874}, {"ISO885913", "ISO-8859-13", 28603},
    {"ISO885914", "ISO-8859-14", 28604}, {"ISO885915", "ISO-8859-15", 28605}, {"WINDOWS1250", "windows-1250", 1250},
    {"WINDOWS1251", "windows-1251", 1251}, {"WINDOWS1252", "windows-1252", 1252}, {"IBMWINDOWS", "windows-1252", 1252},
    {"WINDOWS1253", "windows-1253", 1253}, {"WINDOWS1254", "windows-1254", 1254}, {"WINDOWS1255", "windows-1255", 1255},
    {"WINDOWS1256", "windows-1256", 1256}, {"WINDOWS1257", "windows-1257", 1257}, {"WINDOWS1258", "windows-1258", 1258},
};
constexpr size_t kCodePageCount = sizeof(kCodePages) / sizeof(kCodePages[0]);

// Each page's table is built once, on first use, by whichever thread asks.
struct CodePageSlot {
  std::once_flag built;
  CodePage page{};
  bool available = false;
};

CodePageSlot& codePageSlot(size_t i) {
  static CodePageSlot slots[kCodePageCount];
  return slots[i];
}

}  // namespace

const CodePage* codePageNamed(std::string_view charValue) {
  std::string key;
  for (char c : charValue) {
    if (c == ' ' || c == '-' || c == '_' || c == '\t') continue;
    if (key.size() >= 16) return nullptr;
    key += c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
  }
  for (size_t i = 0; i < kCodePageCount; ++i) {
    if (key != kCodePages[i].name) continue;
    CodePageSlot& slot = codePageSlot(i);
    std::call_once(slot.built, [&] {
      char32_t high[128];
      if (!codePageCharacters(kCodePages[i].icuName, kCodePages[i].windowsNumber, high)) return;
      for (int b = 0; b < 128; ++b)
        slot.page.high[b] = high[b] != 0 ? high[b] : cp1252ToUnicode(static_cast<unsigned char>(0x80 + b));
      slot.available = true;
    });
    return slot.available ? &slot.page : nullptr;
  }
  return nullptr;
}

std::string decodeCodePageLine(std::string_view line, const CodePage& page) {
  std::string out;
  out.reserve(line.size() + line.size() / 2);
  for (char c : line) {
    const unsigned char b = ub(c);
    if (b == 0) continue;
    if (b < 0x80) out += c;
    else appendUtf8(out, page.high[b - 0x80]);
  }
  return toNfc(out);
}

}  // namespace rowsmith
