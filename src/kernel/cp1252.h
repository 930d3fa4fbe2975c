#pragma once
// Windows-1252 <-> Unicode, for the few places where text leaves the 8-bit
// world: the screen, the clipboard and file names typed by the user.
#include <string>
#include <string_view>

namespace rowsmith {

// The Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (81 8D 8F 90 9D) map to the C1 controls of the same value,
// so every byte survives a round trip.
char16_t cp1252ToUnicode(unsigned char byte);
std::u16string cp1252ToUtf16(std::string_view text);
std::string cp1252ToUtf8(std::string_view text);
// Characters outside the code page become '?'.
std::string utf16ToCp1252(std::u16string_view text);

}  // namespace rowsmith
