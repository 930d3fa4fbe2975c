#include "support/testsupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "os/osfile.h"

namespace fs = std::filesystem;

namespace rowsmith::test {

std::string gedcomTestdataDir() {
  fs::path dir = fs::path(ROWSMITH_TESTDATA_DIR) / "gedcom";
  std::error_code ec;
  return fs::is_directory(dir, ec) ? dir.string() : std::string();
}

std::vector<std::string> allTestdataGedcoms() {
  std::vector<std::string> files;
  std::string dir = gedcomTestdataDir();
  if (dir.empty()) return files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".ged") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string projectDataDir() { return std::string(ROWSMITH_SOURCE_DIR) + "/tests/data/"; }

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string utf16(std::u16string_view text, bool bigEndian, bool bom) {
  std::string out;
  if (bom) out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

long entryCount(const std::string& folder) {
  return static_cast<long>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

StringTable tableOf(int columns, const Rows& rows) {
  StringTable table(columns);
  for (size_t r = 0; r < rows.size(); ++r) table.setRow(static_cast<int>(r), rows[r]);
  table.setRowCount(static_cast<int>(rows.size()));
  return table;
}

Rows dataRows(const StringTable& table) {
  Rows out;
  for (int r = 1; r < table.rowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < table.columnCount(); ++c) row.emplace_back(table.cell(c, r));
    out.push_back(std::move(row));
  }
  return out;
}

TempDir::TempDir() {
  std::string folder = os::createPrivateFolder(os::temporaryFolder(), "rowsmith-test-", nullptr);
  if (folder.empty()) throw std::runtime_error("cannot create a temporary folder");
  path_ = folder + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

}  // namespace rowsmith::test
