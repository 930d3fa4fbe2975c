#pragma once
// Small text routines: space strings, delimiter tokenisers, the "#" notation.
#include <cstdint>
#include <string>
#include <string_view>

namespace rowsmith {

std::string SpaceStr(int32_t count);
// Returns the text before the first delimiter; with cut, text keeps what
// follows the delimiter (empty when there is none).
std::string CutUntilChar(char delimiter, std::string& text, bool cut);
// Returns text from the 1-based position to the next delimiter and moves the
// position past it.
std::string ReadUntilChar(char delimiter, std::string_view text, int32_t& position);
// "#9" -> tab and so on; on failure one of the three "ERROR - " texts.
std::string DecodeCharCodes(std::string_view text);

}  // namespace rowsmith
