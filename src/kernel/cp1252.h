#pragma once
// The Windows-1252 code page: the table behind the text codecs.
#include <string>
#include <string_view>

namespace rowsmith {

// The Unicode code point of a Windows-1252 byte. The five bytes the code page
// leaves undefined (81 8D 8F 90 9D) map to the C1 controls of the same value,
// so every byte survives a round trip.
char16_t cp1252ToUnicode(unsigned char byte);
// The byte of a character, -1 when the code page lacks it.
int windows1252Byte(char32_t code);

}  // namespace rowsmith
