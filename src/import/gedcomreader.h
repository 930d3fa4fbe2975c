#pragma once
// Reads a GEDCOM file line by line into the block and field index files in
// workFolder(). The file is streamed in large chunks; only the current line
// is held in memory.
#include <cstdint>
#include <string>

namespace rowsmith {

// Returns the line counter: lines read on success, negative when reading was
// abandoned (also when the index could not be written completely), 0 when
// the file could not be opened, -1 when no header was found or reading did
// not begin. prepared tells whether the index files were set up; they are
// left closed in the work folder in every case. A missing or unreadable file
// is reported through userMessages() ("File not found").
int32_t ReadGedcomFile(const std::string& fileName, bool& prepared);
// True when the first line (up to the first CR) contains an LF. In 16-bit
// text (told by a byte-order mark or a leading "0" with a NUL byte) only
// whole CR, LF and 26 characters count, here and in ReadGedcomFile.
bool NeedsLineEndFix(const std::string& fileName);
// Replaces fileName by a temporary CR LF copy in the system temporary folder
// when the file has LF-only line ends; the caller deletes the copy.
// ReadGedcomFile does not need it: it reads such files directly, line for
// line as it would read the copy. The copy is made byte by byte, which does
// not suit 16-bit text.
bool NormalizeLineEnds(std::string& fileName);

}  // namespace rowsmith
