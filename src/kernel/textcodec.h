#pragma once
// Text inside the program is UTF-8 in NFC. This unit turns the bytes of
// GEDCOM lines, settings files and typed codes into that form, and turns it
// back into Windows-1252 where a file or a reader wants the code page.
#include <string>
#include <string_view>

namespace rowsmith {

void appendUtf8(std::string& out, char32_t code);
// The length of the well-formed UTF-8 sequence at text[i] with its code
// point, or 0 when the byte there begins none.
size_t utf8SequenceAt(std::string_view text, size_t i, char32_t& code);
// Like utf8SequenceAt, but a byte that begins no sequence is one character:
// its Windows-1252 meaning. Never returns 0 for i < text.size().
size_t nextCharacter(std::string_view text, size_t i, char32_t& code);
bool isWellFormedUtf8(std::string_view text);
// Whether the bytes hold at least one well-formed multi-byte sequence.
bool hasUtf8MultiByte(std::string_view text);

std::string toNfc(std::string_view utf8);

// Every byte is one character, NUL too.
std::string decodeWindows1252(std::string_view bytes);
// Well-formed sequences stay, every other byte becomes its Windows-1252
// character.
std::string wellFormedUtf8(std::string_view bytes);
// Line decoders; each drops NUL characters and gives NFC.
// Well-formed sequences are characters, every other byte its Windows-1252
// character; a line encoded twice is decoded twice.
std::string decodeUtf8Line(std::string_view bytes);
// Whether decodeUtf8Line gives the bytes back as they are, told in one cheap
// pass for the common case: no NUL, only well-formed characters below U+0300
// (which NFC never changes), no sign of text encoded twice. False when unsure.
bool isPlainUtf8Line(std::string_view bytes);
// 16-bit code units; startsOdd drops the first byte, the half of a unit
// that ended the previous line. A lone surrogate or a lone last byte gives
// U+FFFD.
std::string decodeUtf16Line(std::string_view bytes, bool bigEndian, bool startsOdd);

// Exact conversion: false when a character has no Windows-1252 byte.
bool utf8ToWindows1252Exact(std::string_view utf8, std::string& bytes);
// For export: characters of the code page are their bytes; each run of
// user-perceived characters it lacks is transliterated to Latin letters,
// and what still lacks a byte becomes '?'.
std::string encodeWindows1252(std::string_view utf8);
// The same, appended to out.
void appendWindows1252(std::string& out, std::string_view utf8);

// Upper-cases by the simple Unicode mapping, one character for one.
char32_t upperChar(char32_t code);

}  // namespace rowsmith
