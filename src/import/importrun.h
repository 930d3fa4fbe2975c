#pragma once
// One import run: GEDCOM file -> index -> rows of the result table.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "import/resultcolumns.h"
#include "kernel/stringtable.h"
#include "import/gedcominput.h"
#include "kernel/usermessages.h"

namespace rowsmith {

// A table of 39 columns holding just the header row and one empty data row,
// as the main window shows it at start-up.
StringTable makeResultTable();

enum class ImportStatus {
  Imported,    // at least one person
  NoPersons,   // a GEDCOM file without individuals
  NotGedcom,   // no "0 HEAD" where it belongs
  CannotOpen,  // the file could not be opened
  ReadFailed,  // reading stopped part way: a read error, memory exhausted
  Cancelled,   // the receiver of the messages asked to stop
};

struct ImportOutcome {
  ImportStatus status = ImportStatus::CannotOpen;
  ReadFailure cause;    // why reading stopped early
  int32_t counter = 0;  // the reader's line counter
  size_t persons = 0;
  // The line of a byte 26 that ended the reading before more text; 0 if none.
  int32_t textAfterEndByteLine = 0;
  bool imported() const { return status == ImportStatus::Imported; }
};

// Clears the table to the header row, reads the file ("-" is standard input)
// and fills the rows, dates in their sortable form (kernel/datecells.h). Progress goes to messages; the count message and the
// cause of a failure are the caller's to show. Nothing is written.
ImportOutcome importGedcom(const std::string& fileName, StringTable& table,
                           UserMessages& messages);
// "N Personen importiert!"
std::string importedMessage(size_t persons);

}  // namespace rowsmith
