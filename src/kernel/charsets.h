#pragma once
// The character sets of GEDCOM files besides UTF-8 and UTF-16: ANSEL and
// the single-byte code pages a CHAR line may name.
#include <string>
#include <string_view>

namespace rowsmith {

// Whether the line holds one of the common ANSEL sequences: what tells an
// ANSEL line from a Windows-1252 one before the header names the set.
bool hasAnselSequence(std::string_view line);
// The line as UTF-8 in NFC. A NUL byte is dropped; a byte without an ANSEL
// meaning is its Windows-1252 character.
std::string decodeAnselLine(std::string_view line);

// A single-byte code page: the characters of its bytes 0x80..0xFF, each a
// Windows-1252 character where the page assigns none.
struct CodePage {
  char32_t high[128];
};
// The code page a CHAR value names, letter case, blanks, "-" and "_" aside:
// IBMPC, IBM DOS, MSDOS, CP437 (437), CP850, MACINTOSH (Mac Roman),
// ISO-8859-1 to -15, WINDOWS-1250 to -1258 and IBM WINDOWS (1252). nullptr
// for any other value and where the system lacks the page.
const CodePage* codePageNamed(std::string_view charValue);
// The line as UTF-8 in NFC; a NUL byte is dropped.
std::string decodeCodePageLine(std::string_view line, const CodePage& page);

}  // namespace rowsmith
