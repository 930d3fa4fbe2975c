#pragma once
// Reads a GEDCOM file line by line into the block and field index files.
#include <cstdint>
#include <string>

namespace rowsmith {

// Returns the line counter: lines read on success, negative when reading was
// abandoned, 0 when the file could not be opened, -1 when no header was found
// or reading did not begin. prepared tells whether the index files were set up.
int32_t ReadGedcomFile(const std::string& fileName, bool& prepared);
// True when the first line (up to the first CR) contains an LF.
bool NeedsLineEndFix(const std::string& fileName);
// May replace fileName by a temporary CR LF copy (in the system temp folder).
bool NormalizeLineEnds(std::string& fileName);

}  // namespace rowsmith
