#pragma once
// A large file is read in two parts at once, the later one on the second
// core into an index of its own: where the file may be cut, and how the
// later part's index joins the earlier one's.
#include <cstdint>

#include "import/gedcomindex.h"
#include "import/gedcominput.h"

namespace rowsmith {

// Files this large are read in two parts.
inline constexpr uint64_t kSplitBytes = 16 << 20;

// Where, at or after from, a level-0 line begins whose previous line is not
// blank, so that a reading which ends right before it stores what a reading
// of the whole file would. 0 when none is found nearby or a byte 26 comes
// first.
uint64_t findRecordStart(const GedcomInput& input, uint64_t from, bool lfLines);

// Appends the index of a later part of the file to db.
void appendIndex(GedcomIndex& db, const GedcomIndex& part);

}  // namespace rowsmith
