#pragma once
// The ANSEL character set of GEDCOM files.
#include <string>
#include <string_view>

namespace rowsmith {

// Whether the line holds one of the common ANSEL sequences: what tells an
// ANSEL line from a Windows-1252 one before the header names the set.
bool hasAnselSequence(std::string_view line);
// The line as UTF-8 in NFC. A NUL byte is dropped; a byte without an ANSEL
// meaning is its Windows-1252 character.
std::string decodeAnselLine(std::string_view line);

}  // namespace rowsmith
