#pragma once
// Byte-string basics of UTF-8 text: upper-casing, trimming, integer reading.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rowsmith {

// Upper-cases a-z only: every byte of a multi-byte character stays, so
// positions in the result are positions in the text, and the patterns
// matched without regard to case (month names, tags) are ASCII.
char asciiUpperChar(char c);
std::string asciiUpperCase(std::string_view text);

// Removes blanks and every control character (bytes 0..32) at both ends.
std::string_view trimView(std::string_view text);
std::string trimText(std::string_view text);
std::string_view trimRightView(std::string_view text);

// A text "converts as an integer": optional '+' or '-', then decimal digits
// only, no blanks, within the signed 32-bit range.
std::optional<int32_t> toInt32(std::string_view text);

}  // namespace rowsmith
