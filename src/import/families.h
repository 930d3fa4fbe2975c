#pragma once
// A family's marriage data as the row assembly shows it.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rowsmith {

// First marriage date, first place, second date, second place, notes.
using MarriageItems = std::array<std::string, 5>;

// The three marriage cells of a row ("Heiratsdatum :", "Heiratsort :",
// "Heiratsbemerkung :") one after the other after text, each cell's end offset
// into ends, from the marriage items with lines ending CR LF. The second place
// is shown only with a second date. The dates stay in their sortable form,
// the two of a second marriage parted by kDatePartBreak.
void appendMarriageCells(std::string& text, std::span<uint32_t, 3> ends,
                         const std::array<std::string_view, 5>& items);
// text with its line breaks made CR LF, after out.
void appendCrlfLines(std::string& out, std::string_view text);

}  // namespace rowsmith
