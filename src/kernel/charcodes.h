#pragma once
// The "#" notation in which the export options name characters: "#9" is a
// tab, "#59" a ";", any other text stands for itself.
#include <string>
#include <string_view>

namespace rowsmith {

enum class CharCodeError {
  None,
  MissingNumber,  // "#" without digits, or "#35", since "#" cannot be written
  NotANumber,     // digits beyond any number
  NotAByte,       // a number above 255
};

struct DecodedCharCodes {
  std::string bytes;  // Windows-1252 bytes; empty on an error
  CharCodeError error = CharCodeError::None;
  bool ok() const { return error == CharCodeError::None; }
};

DecodedCharCodes decodeCharCodes(std::string_view text);
// The decoder's own words for a fault ("ERROR - number must be a byte!").
std::string_view charCodeErrorText(CharCodeError error);

}  // namespace rowsmith
