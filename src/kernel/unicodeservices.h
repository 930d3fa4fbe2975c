#pragma once
// What the text codec needs of a Unicode library: normalisation, case,
// grapheme clusters and transliteration. unicodeservices_icu.cpp gives them
// with ICU; unicodeservices_win.cpp with the system's own functions where
// ICU is not to be had.
#include <string>
#include <string_view>

namespace rowsmith {

// Marks and joiners that belong to the character before them.
bool extendsCluster(char32_t code);
// Appends a stretch of text that holds characters outside Windows-1252 or
// marks: a cluster of one code-page character is its byte; each run of other
// clusters is transliterated to Latin letters, and what still lacks a byte
// becomes '?'.
void encodeStretch(std::string& out, std::string_view utf8);
// Whether text may be cut before the character without changing its NFC:
// nothing before it can compose with it or be reordered past it.
bool startsNfcSegment(char32_t code);
// Appends the NFC of a piece of text that was cut at such places.
void appendNfc(std::string& out, std::string_view utf8);

// The characters of the bytes 0x80..0xFF of a single-byte code page, named
// for ICU's converters and by its Windows number; 0 where the page has none.
// False when the system lacks the page.
bool codePageCharacters(const char* icuName, unsigned windowsNumber, char32_t (&high)[128]);

}  // namespace rowsmith
