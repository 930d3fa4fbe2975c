#pragma once
// Windows-1252 byte-string basics: upper-casing, trimming, integer reading.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rowsmith {

// Windows-1252 upper-casing: a-z, E0-FE except F7, 9A, 9C, 9E, FF.
char ansiUpperChar(char c);
std::string ansiUpperCase(std::string_view text);

// Removes blanks and every control character (bytes 0..32) at both ends.
std::string_view trimView(std::string_view text);
std::string trimText(std::string_view text);
std::string_view trimRightView(std::string_view text);

// A text "converts as an integer": optional '+' or '-', then decimal digits
// only, no blanks, within the signed 32-bit range.
std::optional<int32_t> toInt32(std::string_view text);

}  // namespace rowsmith
