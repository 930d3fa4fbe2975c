// The whole import of an arbitrary byte string: reading, conversions, index,
// extraction and export text, with the invariants every run must keep.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "export/exporttext.h"
#include "import/importrun.h"
#include "kernel/charsets.h"
#include "kernel/folders.h"
#include "kernel/usermessages.h"

using namespace rowsmith;
namespace fs = std::filesystem;

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

class Quiet : public UserMessages {
 public:
  void showMessage(std::string_view text) override { last = std::string(text); }
  std::string last;
};

bool isNumber(std::string_view s, bool allowMinusOne) {
  if (allowMinusOne && s == "-1") return true;
  if (s.empty() || s.size() > 10) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

size_t countOf(const std::string& text, std::string_view word) {
  size_t n = 0;
  for (size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) ++n;
  return n;
}

const std::string& folder() {
  static const std::string dir = [] {
    std::string pattern = (fs::temp_directory_path() / "rowsmith-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/";
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string work = folder() + "work/";
  const std::string file = folder() + "input.ged";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(input.data(), static_cast<std::streamsize>(input.size()));
  }
  setWorkFolder(work);
  Quiet quiet;
  UserMessages* previous = setUserMessages(&quiet);

  StringTable table = makeResultTable();
  ImportGedcom(file, true, table);
  setUserMessages(previous);

  // Persons reported, and an upper bound of FAMS links (a tag needs its
  // letters in the file; 16-bit text loses its NUL bytes first).
  long persons = 0;
  const std::string suffix = " Personen importiert!";
  if (quiet.last.size() > suffix.size() && quiet.last.ends_with(suffix))
    persons = std::strtol(quiet.last.c_str(), nullptr, 10);
  std::string narrow = input;
  RemoveNulChars(narrow);
  const long famsLinks = static_cast<long>(countOf(narrow, "FAMS"));

  const int dataRows = table.rowCount() - 1;
  check(table.columnCount() == kResultColumns, "39 columns");
  check(persons > 0 || dataRows <= 1, "no persons, no rows");
  check(dataRows <= persons + famsLinks || persons == 0, "rows <= persons + FAMS links");
  for (int r = 1; r < table.rowCount(); ++r) {
    if (persons == 0) break;
    bool left = !table.cell(0, r).empty(), right = !table.cell(21, r).empty();
    check(left || right, "every data row holds a person");
    for (int side : {0, 21}) {
      if (table.cell(side, r).empty()) continue;
      check(isNumber(table.cell(side, r), false) && table.cell(side, r) != "0", "person ID is a record number");
      check(isNumber(table.cell(side + 16, r), true), "father ID");
      check(isNumber(table.cell(side + 17, r), true), "mother ID");
    }
  }

  ExportFormat format{";", "\"", "\n"};
  std::vector<int> order(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) order[c] = c;
  StringTable exportTable = makeExportTable(table, order);
  std::vector<bool> exported(exportTable.columnCount(), true);
  std::string text = BuildExportText(exportTable, exported, format);
  check(countOf(text, "\n") == static_cast<size_t>(exportTable.rowCount() - 1), "line breaks = rows - 1");
  check(text == buildExportTextFromResult(table, order, true, format), "both export routes agree");

  std::error_code ec;
  check(!fs::exists(work) || fs::is_empty(work, ec), "no index file left behind");
  return 0;
}
