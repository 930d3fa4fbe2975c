#pragma once
// Windows-1252 text to UTF-8 for terminals and files that expect it.
#include <string>
#include <string_view>

namespace rowsmith::cli {

// Every byte maps to one code point; the five bytes Windows-1252 leaves
// undefined keep their C1 code points, so no byte is lost.
std::string windows1252ToUtf8(std::string_view text);

}  // namespace rowsmith::cli
