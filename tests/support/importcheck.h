#pragma once
// The invariants every import run keeps, whatever the file holds. Shared by
// the import fuzz target and the regression tests of its findings: the
// answer names the first invariant a run broke, or is empty.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "export/exporttext.h"
#include "kernel/textcodec.h"
#include "import/extractor.h"
#include "import/gedcomreader.h"
#include "import/importrun.h"
#include "import/gedcomindex.h"
#include "kernel/usermessages.h"

namespace rowsmith::importcheck {

class QuietMessages : public UserMessages {
 public:
  void showMessage(std::string_view text) override {
    last = std::string(text);
    ++count;
  }
  std::string last;
  int count = 0;
};

inline bool isDecimal(std::string_view s) {
  if (s.empty() || s.size() > 10 || (s.size() > 1 && s[0] == '0')) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

inline size_t countOf(std::string_view text, std::string_view word) {
  size_t n = 0;
  for (size_t p = text.find(word); p != std::string_view::npos; p = text.find(word, p + 1)) ++n;
  return n;
}

// What the records of the file say, read independently of the import run.
struct Records {
  bool complete = false;         // the reader's counter was positive
  std::set<std::string> indi;    // record numbers of the INDI blocks, as text
  size_t spouseLinks = 0;        // fields tagged FAMS, HUSB or WIFE: links from either side
  std::vector<int32_t> persons;  // the person list
};

inline Records readRecords(const std::string& file) {
  Records records;
  GedcomIndex db;
  int32_t counter = readGedcom(file, db).counter;
  if (counter > 0 && LoadIndex(db) >= 0) {
    records.complete = true;
    for (size_t b = 0; b < db.Blocks.size(); ++b)
      if (db.Blocks[b].tag() == "INDI") records.indi.insert(std::to_string(b));
    for (const TFieldRec& field : db.Fields)
      if (db.tag(field) == "FAMS" || db.tag(field) == "HUSB" || db.tag(field) == "WIFE") ++records.spouseLinks;
    records.persons = Extractor(db).GetPersonList();
  }
  return records;
}

inline std::string fileBytes(const std::string& file) {
  std::string bytes;
  if (FILE* in = std::fopen(file.c_str(), "rb")) {
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, got);
    std::fclose(in);
  }
  return bytes;
}

// Imports file and checks the run: the table against the file's records, the
// message, the export text.
inline std::string brokenInvariant(const std::string& file) {
  QuietMessages quiet;
  StringTable table = makeResultTable();
  const ImportOutcome run = importGedcom(file, table, quiet);
  if (run.imported()) quiet.showMessage(importedMessage(run.persons));
  const int32_t counter = run.counter;
  const Records records = readRecords(file);

  if (records.complete != (counter > 0)) return "the same counter on a second reading";

  // The message counts the person list and comes only with rows.
  long persons = 0;
  const std::string suffix = " Personen importiert!";
  if (quiet.last.size() > suffix.size() && quiet.last.ends_with(suffix))
    persons = std::strtol(quiet.last.c_str(), nullptr, 10);
  if (persons != static_cast<long>(records.persons.size())) return "message counts the person list";
  if (quiet.count > 1) return "at most one message";

  const int dataRows = table.rowCount() - 1;
  if (table.columnCount() != kResultColumns) return "39 columns";
  if (records.persons.empty() != (dataRows == 0)) return "rows exactly when there are persons";
  if (static_cast<size_t>(dataRows) > records.indi.size() + records.spouseLinks)
    return "rows <= persons + spouse links";

  std::set<std::string> written;
  for (int r = 1; r < table.rowCount(); ++r) {
    const bool left = !table.cell(0, r).empty(), right = !table.cell(21, r).empty();
    if (!left && !right) return "every data row holds a person";
    for (int side : {0, 21}) {
      std::string id(table.cell(side, r));
      if (id.empty()) {
        for (int c = side; c < side + 18; ++c)
          if (!table.cell(c, r).empty()) return "a half without ID is empty";
        continue;
      }
      if (!isDecimal(id) || records.indi.count(id) != 1) return "person ID is the record number of an INDI block";
      written.insert(id);
      for (int parent : {side + 16, side + 17}) {
        std::string p(table.cell(parent, r));
        if (p != "0" && p != "-1" && records.indi.count(p) != 1) return "parent ID is an INDI block, 0 or -1";
      }
    }
    if (left && right && table.cell(0, r) == table.cell(21, r)) return "nobody is their own partner";
  }
  for (int32_t p : records.persons)
    if (written.count(std::to_string(p)) != 1) return "every listed person is written";

  ExportFormat format{";", "\"", "\n"};
  std::vector<int> order(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) order[c] = c;
  const DateCells dates = resultDateCells(DateForm::Western);
  StringTable exportTable = makeExportTable(table, dates, order);
  std::vector<bool> exported(static_cast<size_t>(exportTable.columnCount()), true);
  std::string text = BuildExportText(exportTable, exported, format);
  if (countOf(text, "\n") != static_cast<size_t>(exportTable.rowCount() - 1)) return "line breaks = rows - 1";
  if (text.find('\r') != std::string::npos) return "no CR of a cell reaches the text";
  if (text != buildExportTextFromResult(table, dates, order, true, format)) return "both export routes agree";

  // Whatever the file held, the UTF-8 export is well-formed; the Windows-1252
  // export of a file whose header names ANSI in its first level-1 CHAR line
  // holds no byte above 127 that the file lacks.
  if (!isWellFormedUtf8(encodeExportText(text, TextEncoding::Utf8))) return "the UTF-8 export is well-formed";
  const std::string ansi = encodeExportText(text, TextEncoding::Windows1252);
  std::string bytes = fileBytes(file);
  // Lines as the reader splits them: at LF when the first line ends so, else
  // at CR (with an LF after it); blanks and control characters lead in.
  const size_t firstEnd = bytes.find_first_of("\r\n");
  const bool lfLines = firstEnd != std::string::npos && bytes[firstEnd] == '\n';
  auto startsLine = [&](size_t k) {
    for (; k > 0; --k) {
      const char c = bytes[k - 1];
      if (lfLines ? c == '\n' : c == '\r' || (c == '\n' && k >= 2 && bytes[k - 2] == '\r')) return true;
      if (static_cast<unsigned char>(c) > 32) return false;
    }
    return false;
  };
  auto lineStart = [&](std::string_view what, size_t from) {
    for (size_t at = bytes.find(what, from); at != std::string::npos; at = bytes.find(what, at + 1))
      if (startsLine(at)) return at;
    return std::string::npos;
  };
  const size_t head = bytes.find("0 HEAD");
  const size_t charset = head == std::string::npos ? head : lineStart("1 CHAR", head);
  if (charset != std::string::npos && bytes.compare(charset, 11, "1 CHAR ANSI") == 0 &&
      charset < lineStart("0", head + 1) && bytes.find('\0') == std::string::npos) {
    bool present[256] = {};
    for (unsigned char c : bytes) present[c] = true;
    for (unsigned char c : ansi)
      if (c >= 0x80 && !present[c]) return "the Windows-1252 export holds only bytes of the Windows-1252 file";
  }
  return {};
}

// A file with LF line ends reads as its twin with CR LF line ends: for a
// file without any CR, both give the same table.
inline std::string lfTwinDiffers(const std::string& bytes, const std::string& folder) {
  if (bytes.find('\r') != std::string::npos || bytes.find('\n') == std::string::npos) return {};
  std::string twin;
  twin.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') twin += '\r';
    twin += c;
  }
  QuietMessages quiet;
  auto import = [&](const std::string& content, const std::string& name, int32_t& counter) {
    const std::string file = folder + name;
    FILE* out = std::fopen(file.c_str(), "wb");
    if (out) {
      std::fwrite(content.data(), 1, content.size(), out);
      std::fclose(out);
    }
    StringTable table = makeResultTable();
    counter = importGedcom(file, table, quiet).counter;
    std::remove(file.c_str());
    return table;
  };
  int32_t lfCounter = 0, crlfCounter = 0;
  const StringTable lf = import(bytes, "lf.ged", lfCounter);
  const StringTable crlf = import(twin, "crlf.ged", crlfCounter);
  if ((lfCounter > 0) != (crlfCounter > 0)) return "LF file and CR LF twin read alike";
  if (lf.rowCount() != crlf.rowCount()) return "LF file and CR LF twin give as many rows";
  for (int r = 0; r < lf.rowCount(); ++r)
    for (int c = 0; c < lf.columnCount(); ++c)
      if (lf.cell(c, r) != crlf.cell(c, r)) return "LF file and CR LF twin give the same cells";
  return {};
}

}  // namespace rowsmith::importcheck
