#include "import/importrun.h"

#include <exception>

#include "import/extractor.h"
#include "import/gedcomreader.h"
#include "import/indexfiles.h"
#include "import/rows.h"
#include "kernel/folders.h"
#include "kernel/usermessages.h"

namespace rowsmith {

namespace {

const char* const kHeaders[kResultColumns] = {
    "ID :", "Name :", "Vorname :", "Nachname :", "Geschlecht :", "Geburtsdatum :", "Geburtsort :",
    "Taufdatum :", "Taufort :", "Sterbedatum :", "Sterbeort :", "Bestattungsdatum :", "Bestattungsort :",
    "Religion :", "Beruf :", "Bemerkungen :", "ID Vater :", "ID Mutter :", "Heiratsdatum :", "Heiratsort :",
    "Heiratsbemerkung :", "ID (Partner) :", "Name (Partner) :", "Vorname (Partner) :",
    "Nachname (Partner) :", "Geschlecht (Partner) :", "Geburtsdatum (Partner) :", "Geburtsort (Partner) :",
    "Taufdatum (Partner) :", "Taufort (Partner) :", "Sterbedatum (Partner) :", "Sterbeort (Partner) :",
    "Bestattungsdatum (Partner) :", "Bestattungsort (Partner) :", "Religion (Partner) :",
    "Beruf (Partner) :", "Bemerkungen (Partner) :", "ID Vater (Partner) :", "ID Mutter (Partner) :"};

void writeHeaders(StringTable& table) {
  for (int c = 0; c < kResultColumns; ++c) table.setCell(c, 0, kHeaders[c]);
}

// Progress of the extraction in whole percent, reported only when it changes.
class ProgressReport {
 public:
  ProgressReport(std::string_view phase, size_t total) : phase_(phase), total_(total) {
    userMessages().showProgress(phase_, 0);
  }
  void at(size_t done) {
    if (total_ == 0) return;
    int percent = static_cast<int>(done * 100 / total_);
    if (percent != last_) {
      last_ = percent;
      userMessages().showProgress(phase_, percent);
    }
  }

 private:
  std::string_view phase_;
  size_t total_;
  int last_ = 0;
};

void extract(bool westernDates, StringTable& table) {
  TDBDefaults db;
  db.DBPath = workFolder();
  userMessages().showProgress("Laden", 0);
  LoadIndex(db, kIndexName);
  userMessages().showProgress("Laden", 100);
  Extractor extractor(db);
  std::vector<int32_t> persons = extractor.GetPersonList();
  if (persons.empty()) return;
  RowAssembly rows(extractor, table, westernDates);
  rows.prepare(persons);
  ProgressReport progress("Personen", persons.size());
  for (size_t i = 0; i < persons.size(); ++i) {
    rows.AddPersonRows(persons[i]);
    if ((i & 1023) == 0) progress.at(i);
  }
  progress.at(persons.size());
  table.setRowCount(rows.currentRow());
  userMessages().showMessage(std::to_string(persons.size()) + " Personen importiert!");
}

}  // namespace

const char* const* ResultHeaders() { return kHeaders; }

std::span<const std::string_view> ResultDateHeaders() {
  static constexpr std::string_view kDateHeaders[] = {
      "Geburtsdatum :", "Taufdatum :", "Sterbedatum :", "Bestattungsdatum :", "Heiratsdatum :",
      "Geburtsdatum (Partner) :", "Taufdatum (Partner) :", "Sterbedatum (Partner) :", "Bestattungsdatum (Partner) :"};
  return kDateHeaders;
}

StringTable makeResultTable() {
  StringTable table(kResultColumns);
  table.setRowCount(2);
  writeHeaders(table);
  return table;
}

int32_t ImportGedcom(const std::string& fileName, bool westernDates, StringTable& table) {
  table = StringTable(kResultColumns);
  table.setRowCount(1);
  writeHeaders(table);

  userMessages().showProgress("Lesen", 0);
  bool prepared = false;
  int32_t counter = -1;
  try {
    counter = ReadGedcomFile(fileName, prepared);
    if (!prepared) return counter;
    userMessages().showProgress("Lesen", 100);
    if (counter > 0) extract(westernDates, table);
  } catch (...) {
    // The index files never outlive a run, not even a failed one.
    if (prepared) EraseIndexFiles(workFolder(), kIndexName);
    throw;
  }
  EraseIndexFiles(workFolder(), kIndexName);
  return counter;
}

}  // namespace rowsmith
