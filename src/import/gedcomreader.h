#pragma once
// Reads a GEDCOM file into the block and field index in memory, in one pass
// over its bytes.
#include <cstdint>
#include <string>

#include "import/gedcominput.h"
#include "import/gedcomindex.h"
#include "kernel/usermessages.h"

namespace rowsmith {

enum class ReadStatus {
  Complete,    // the index holds the whole file
  CannotOpen,  // the file could not be opened
  NotGedcom,   // no "0 HEAD" in the first line, within its first kHeaderWindow bytes
  Failed,      // reading stopped part way: a read error, memory exhausted
};

struct ReadOutcome {
  ReadStatus status = ReadStatus::CannotOpen;
  ReadFailure failure;  // why reading stopped early
  int32_t counter = 0;  // lines read; negative when reading was abandoned
  // The line of a byte 26 that ended the reading though more than blanks
  // follow it (a file ends so in DOS, but then nothing follows); 0 if none.
  int32_t textAfterEndByteLine = 0;
};

// How far into the first line "0 HEAD" is looked for: a file without it there
// is not read any further.
inline constexpr size_t kHeaderWindow = 64 * 1024;

// Reads fileName ("-" is standard input) into db, which should be empty.
// FILE values are resolved against the file's folder. Progress goes to
// progress when given.
ReadOutcome readGedcom(const std::string& fileName, GedcomIndex& db, UserMessages* progress = nullptr);
// The same from an input already open; FILE values resolve against folder.
ReadOutcome readGedcom(GedcomInput& input, const std::string& folder, GedcomIndex& db);

}  // namespace rowsmith
