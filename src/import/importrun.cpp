#include "import/importrun.h"

#include <cerrno>

#include "import/extractor.h"
#include "import/gedcomreader.h"
#include "import/gedcomindex.h"
#include "import/rows.h"
#include "kernel/usermessages.h"
#include "os/osfile.h"

namespace rowsmith {

namespace {

void writeHeaders(StringTable& table) {
  for (int c = 0; c < kResultColumns; ++c) table.setCell(c, 0, resultColumns()[static_cast<size_t>(c)].header);
}

// Progress of the extraction in whole percent, reported only when it changes.
class ProgressReport {
 public:
  ProgressReport(UserMessages& messages, ImportPhase phase, size_t total)
      : messages_(messages), phase_(phase), total_(total) {
    messages_.showProgress(phase_, 0);
  }
  void at(size_t done) {
    if (total_ == 0) return;
    int percent = static_cast<int>(done * 100 / total_);
    if (percent != last_) {
      last_ = percent;
      messages_.showProgress(phase_, percent);
    }
  }

 private:
  UserMessages& messages_;
  ImportPhase phase_;
  size_t total_;
  int last_ = 0;
};

// The number of persons found.
size_t extract(const GedcomIndex& db, StringTable& table, UserMessages& messages) {
  Extractor extractor(db);
  std::vector<int32_t> persons = extractor.GetPersonList();
  if (persons.empty()) return 0;
  RowAssembly rows(extractor, table);
  rows.prepare(persons);
  ProgressReport progress(messages, ImportPhase::Persons, persons.size());
  for (size_t i = 0; i < persons.size(); ++i) {
    rows.AddPersonRows(persons[i]);
    if ((i & 1023) == 0) {
      progress.at(i);
      if (messages.cancelled()) return 0;
    }
  }
  progress.at(persons.size());
  table.setRowCount(rows.currentRow());
  return persons.size();
}

ImportStatus statusOf(ReadStatus status) {
  switch (status) {
    case ReadStatus::Complete: return ImportStatus::Imported;
    case ReadStatus::CannotOpen: return ImportStatus::CannotOpen;
    case ReadStatus::NotGedcom: return ImportStatus::NotGedcom;
    case ReadStatus::Failed: break;
  }
  return ImportStatus::ReadFailed;
}

}  // namespace

StringTable makeResultTable() {
  StringTable table(kResultColumns);
  table.setRowCount(2);
  writeHeaders(table);
  return table;
}

std::string importedMessage(size_t persons) { return std::to_string(persons) + " Personen importiert!"; }

ImportOutcome importGedcom(const std::string& fileName, StringTable& table,
                           UserMessages& messages) {
  table = StringTable(kResultColumns);
  table.setRowCount(1);
  writeHeaders(table);

  ImportOutcome outcome;
  messages.showProgress(ImportPhase::Reading, 0);
  GedcomIndex db;
  const ReadOutcome read = readGedcom(fileName, db, &messages);
  outcome.counter = read.counter;
  outcome.cause = read.failure;
  outcome.textAfterEndByteLine = read.textAfterEndByteLine;
  if (read.status != ReadStatus::Complete) {
    outcome.status = messages.cancelled() ? ImportStatus::Cancelled : statusOf(read.status);
    return outcome;
  }
  messages.showProgress(ImportPhase::Reading, 100);
  messages.showProgress(ImportPhase::Loading, 0);
  if (LoadIndex(db) < 0) {
    outcome.status = ImportStatus::ReadFailed;
    outcome.cause = ReadFailure::of(os::errorOfKind(os::ErrorKind::OutOfMemory));
    return outcome;
  }
  messages.showProgress(ImportPhase::Loading, 100);
  if (!messages.cancelled()) outcome.persons = extract(db, table, messages);
  if (messages.cancelled())
    outcome.status = ImportStatus::Cancelled;
  else
    outcome.status = outcome.persons > 0 ? ImportStatus::Imported : ImportStatus::NoPersons;
  return outcome;
}

}  // namespace rowsmith
