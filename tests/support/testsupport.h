#pragma once
// Helpers shared by the tests: temporary folders, whole-file I/O, test data.
#include <string>
#include <string_view>
#include <vector>

#include "kernel/stringtable.h"
#include "kernel/usermessages.h"

namespace rowsmith::test {

// Folder of the public GEDCOM files (../shared/testdata/gedcom); empty when
// it is not there.
std::string gedcomTestdataDir();
// Every *.ged file below gedcomTestdataDir(), sorted.
std::vector<std::string> allTestdataGedcoms();
// tests/data/ of this project.
std::string projectDataDir();

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, std::string_view bytes);
bool fileExists(const std::string& path);
// Entries of a folder, to tell that no temporary file was left.
long entryCount(const std::string& folder);

using Rows = std::vector<std::vector<std::string>>;
// A table of the given rows, row 0 first; missing cells are empty.
StringTable tableOf(int columns, const Rows& rows);
// The rows below the header, cell by cell.
Rows dataRows(const StringTable& table);

// 16-bit text in either byte order, with or without a byte-order mark.
std::string utf16(std::u16string_view text, bool bigEndian, bool bom = true);

// A fresh folder below the system temporary folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }  // ends with "/"
  std::string file(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

// Collects what the core shows the user.
class CapturedMessages : public UserMessages {
 public:
  void showMessage(std::string_view text) override { messages.emplace_back(text); }
  std::vector<std::string> messages;
};

}  // namespace rowsmith::test
