#include "kernel/textcodec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "kernel/charsets.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

using Case = std::pair<std::string, std::string>;

TEST(TextCodec, DecodesUtf8LinesWithoutLosingAByte) {
  const Case cases[] = {
      {"\xC5\x81\xC3\xB3" "d\xC5\xBA", "Łódź"},
      {"Krak\xF3w \x80", "Kraków €"},                   // Windows-1252 bytes in a UTF-8 file
      {"\xC3\xA4\xE4\xC0\xAF", "ää\u00C0\u00AF"},       // mixed; C0 begins no sequence
      {"\xED\xA0\x80", "\u00ED\u00A0\u20AC"},           // an encoded surrogate is no character
      {"M\xC3\x83\xC2\xBCller", "Müller"},              // encoded twice
      {"\xC3\x85\xC2\x81ukasz", "Łukasz"},              // encoded twice through byte 81
      {"\xC3\xA4 \xC3\x83", "ä Ã"},                     // once: Ã alone is no sequence
      {"e\xCC\x81", "é"},                               // NFC
      {std::string("a\0b", 3), "ab"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(decodeUtf8Line(in), out) << in;
    EXPECT_EQ(isPlainUtf8Line(in), in == out) << in;
  }
  EXPECT_TRUE(isPlainUtf8Line("Gro\xC3\x9F" "enhain \xC5\x81\xC3\xB3" "d\xC5\xBA"));
  EXPECT_EQ(decodeWindows1252(std::string("\x80\x81\x9F\xFC\0", 5)), std::string("€\u0081Ÿü\0", 10));
}

TEST(TextCodec, DecodesSixteenBitUnitsWhereverTheLineBegins) {
  struct Utf16Case {
    std::string bytes;
    bool bigEndian, startsOdd;
    std::string out;
  };
  const Utf16Case cases[] = {
      {std::string("A\0\x1C\x04", 4), false, false, "AМ"},
      {std::string("\0A\0\x1C\x04", 5), false, true, "AМ"},        // half of the last line end first
      {std::string("\x04\x1C\0\0", 4), true, false, "М"},          // NUL dropped
      {std::string("\xD8\x3D\xDE\x00\0", 5), true, false, "😀"},   // pair, then the line end's half
      {std::string("\x3D\xD8" "A\0", 4), false, false, "\uFFFDA"},  // lone high surrogate
      {std::string("\x00\xDC", 2), false, false, "\uFFFD"},
      {std::string("A\0B", 3), false, false, "A\uFFFD"},            // odd end of a file
      {std::string("e\0\x01\x03", 4), false, false, "é"},
  };
  for (const Utf16Case& c : cases)
    EXPECT_EQ(decodeUtf16Line(c.bytes, c.bigEndian, c.startsOdd), c.out) << c.out;
}

TEST(TextCodec, EncodesWindows1252WithTransliteratedRuns) {
  const Case cases[] = {
#ifdef ROWSMITH_ICU  // only ICU transliterates other scripts and letters like Ł
      {"Łódź", "L\xF3" "dz"},
      {"Zoë Мария", "Zo\xEB Maria"},
      {"中文", "zhong wen"},
      {"\r\n\u0301", "\r\n?"},
#endif
      {"Dvořák €", "Dvor\xE1k \x80"},
      {"ŃÓṔ", "N\xD3P"},                // composed letters are not marks: Ó keeps its accent
      {"B\u0309", "B"},                 // a letter with a mark the code page lacks goes whole
      {"a\u0081b\u009D", "a\x81" "b\x9D"},  // unassigned bytes go back out
      {"x😀y", "x?y"},
  };
  // Twice, the second time within a text: stretches met before come out the same.
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(encodeWindows1252(in), out) << in;
    EXPECT_EQ(encodeWindows1252("<" + in + ">"), "<" + out + ">") << in;
  }
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(encodeWindows1252(decodeWindows1252(all)), all);
  std::string back;
  EXPECT_TRUE(utf8ToWindows1252Exact("Müller €", back));
  EXPECT_EQ(back, "M\xFCller \x80");
  EXPECT_FALSE(utf8ToWindows1252Exact("Łódź", back));
}

std::string repeated(std::string_view unit, size_t times, std::string_view first = {}) {
  std::string text(first);
  for (size_t k = 0; k < times; ++k) text.append(unit);
  return text;
}

// Normalising sorts each run of marks; a run of 128 KB took 8 s. Runs are
// normalised in bounded pieces, so text of any length is read in linear
// time, and ordinary text comes out as whole-text NFC would give it.
TEST(TextCodec, NormalisesLongRunsOfMarksInLinearTime) {
  const std::string acuteBelowAbove = "\xCC\x81\xCC\x96";  // U+0301 (above), U+0316 (below)
  EXPECT_EQ(decodeUtf8Line("a" + acuteBelowAbove), "\xC3\xA1\xCC\x96");
  // Pieces are cut where nothing reaches across: every "é" composes.
  EXPECT_EQ(decodeUtf8Line(repeated("e\xCC\x81", 5000) + "\xC3\x84"), repeated("\xC3\xA9", 5000) + "\xC3\x84");
  const std::string marks = repeated(acuteBelowAbove, 64 << 10, "a");  // 256 KB
  [[maybe_unused]] const auto start = std::chrono::steady_clock::now();
  const std::string utf8 = decodeUtf8Line(marks);
  std::u16string wide = u"a";
  for (int k = 0; k < 64 << 10; ++k) wide += u"\u0301\u0316";
  const std::string fromUtf16 = decodeUtf16Line(test::utf16(wide, false, false), false, false);
  const std::string fromAnsel = decodeAnselLine(repeated("\xE2\xF2", 64 << 10) + "a");
  const std::string exported = encodeWindows1252(utf8);
#ifndef _WIN32  // under wine each call of the system's normaliser costs milliseconds
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
#endif
  // No mark is lost: a run is reordered within itself at most.
  EXPECT_EQ(utf8.size(), marks.size() - 1);
  EXPECT_EQ(fromUtf16, utf8);
  EXPECT_EQ(fromAnsel.size(), marks.size());  // "a" and the dot below become "ạ", as long
  EXPECT_EQ(exported.substr(0, 1), "a");
}

#ifdef ROWSMITH_ICU
// The transliterator rewrites a run in place, in the square of its length:
// a long run goes in pieces, each seeing its neighbours, so the words keep
// their spacing across the cuts and the time grows with the length.
TEST(TextCodec, TransliteratesLongRunsInPiecesInLinearTime) {
  std::string words;
  for (int k = 0; k < 500; ++k) words += k ? " zhong wen" : "zhong wen";
  EXPECT_EQ(encodeWindows1252(repeated("中文", 500)), words);
  EXPECT_EQ(encodeWindows1252(repeated("Мария", 200)), repeated("Maria", 200));
  // A cluster longer than a piece is cut too; its marks go, the letter stays.
  EXPECT_EQ(encodeWindows1252(repeated("\xCC\x81", 2000, "\xC5\x81")), "L");
  const std::string arabic = repeated("\xD8\xA8\xD9\x86\xD8\xAA", 100000);  // 300,000: seconds if time grew with the square
  const auto start = std::chrono::steady_clock::now();
  const std::string latin = encodeWindows1252(arabic);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  EXPECT_EQ(latin.substr(0, 6), "bntbnt");
}
#endif

}  // namespace
}  // namespace rowsmith
