#pragma once
// The cells of one person in a result row: columns "ID :" to "ID Mutter :",
// the notes broken with CR LF and dates in their sortable form.
#include <array>
#include <cstdint>
#include <string>

#include "import/extractor.h"

namespace rowsmith {

inline constexpr int kPersonColumns = 18;  // 0-17 left, 21-38 right
inline constexpr int kRightOffset = 21;
// Cells "ID :" to "Bemerkungen :": all but the two parent columns.
inline constexpr size_t kOwnCells = 16;

// A person's cells, parents included, in one buffer, as the rows copy them.
struct PreparedSide {
  std::string text;
  std::array<uint32_t, kPersonColumns> ends{};
  bool male = false;
};
// The extractor's link index must have been built.
void prepareSide(const Extractor& extractor, int32_t p, PreparedSide& out);

// The decimal text of n after text, without a temporary string.
void appendDecimal(std::string& text, int32_t n);

}  // namespace rowsmith
