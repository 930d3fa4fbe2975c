// Language and settings files as users and other programs leave them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "nls/inifile.h"
#include "nls/nlssupport.h"
#include "support/filesizelimit.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

using namespace std::string_view_literals;
using test::readFileBytes;
using test::TempDir;
using test::withFileSizeLimit;
using test::writeFileBytes;

size_t entries(const std::string& folder) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// Letters and blanks, never two blanks in a row, ending with a letter.
std::string words(size_t size) {
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) text += (i % 9 == 8) ? ' ' : static_cast<char>('a' + i % 26);
  text.resize(size);
  text.back() = 'z';
  return text;
}

class BadLanguageFile : public ::testing::Test {
 protected:
  void SetUp() override {
    nls.setLanguageFolder(dir.path());
    nls.SetLanguage(49);
  }
  std::string file() const { return dir.file("NLS.49"); }

  TempDir dir;
  TNLS nls;
};

// Reading stops at 2047 characters; a value that begins the default gets up
// to 255 more from it, any other value stays cut. A missing key is stored
// with its whole default, which the first lookup answers.
TEST_F(BadLanguageFile, ValuesOf10000CharactersAreReadToTheirLimit) {
  const std::string longDefault = words(10000);
  const std::string content = "[frmSaveToForm]\r\npnlClientTop=" + longDefault + "\r\nGO=" + std::string(10000, 'x') + "\r\n";
  writeFileBytes(file(), content);
  EXPECT_EQ(nls.GetNLSText("frmSaveToForm", "pnlClientTop", longDefault), longDefault.substr(0, 2047 + 255));
  EXPECT_EQ(nls.GetNLSText("frmSaveToForm", "GO", "Go"), std::string(2047, 'x'));
  EXPECT_EQ(readFileBytes(file()), content);

  EXPECT_EQ(nls.GetNLSText("frmToolsWerbungForm", "Werbetext", longDefault), longDefault);
  EXPECT_EQ(readFileBytes(file()), content + "\r\n[frmToolsWerbungForm]\r\nWerbetext=" + longDefault + "\r\n");
  EXPECT_EQ(nls.GetNLSText("frmToolsWerbungForm", "Werbetext", longDefault), longDefault.substr(0, 2047 + 255));
}

// Garbage without a line feed is one line and no section: the new section
// goes after it, and the garbage stays byte for byte.
TEST_F(BadLanguageFile, BinaryGarbageIsKeptAndTheTextAddedAfterIt) {
  std::string garbage;
  for (int i = 0; i < 4 * 256; ++i) {
    char c = static_cast<char>((i * 167 + 13) % 256);
    if (c != '\n') garbage += c;
  }
  ASSERT_NE(garbage.find('['), std::string::npos);
  ASSERT_NE(garbage.find('='), std::string::npos);
  writeFileBytes(file(), garbage);

  EXPECT_EQ(nls.GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien"), "Alle Dateien");
  EXPECT_EQ(readFileBytes(file()), garbage + "\r\n\r\n[CommonTXT]\r\nAllFileFilter=Alle Dateien\r\n");
  EXPECT_EQ(nls.GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien"), "Alle Dateien");
}

// Real sections between garbage lines are found; "[Common\0TXT]" is another
// section; the file changes only when a text is added.
TEST_F(BadLanguageFile, SectionsBetweenGarbageLinesAreFound) {
  const std::string content = std::string("\x00\xFF\x01[=]\xFE=\r\r==\r\n"sv) +
                              "[CommonTXT]\r\n\x1A\x7F\x80 = \x9F\r\nAllFileFilter = \"Alle Dateien (*)\"\r\n" +
                              std::string("[Common\0TXT]\r\nGedComFileFilter=falsch\r\n"sv) + "\xFF\xFE[\r\n=\r\n";
  writeFileBytes(file(), content);
  EXPECT_EQ(nls.GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien"), "Alle Dateien (*)");
  EXPECT_EQ(readFileBytes(file()), content);
  EXPECT_EQ(nls.GetNLSText("CommonTXT", "GedComFileFilter", "GedCom Dateien"), "GedCom Dateien");
  std::string after = readFileBytes(file());
  const std::string inserted = "AllFileFilter = \"Alle Dateien (*)\"\r\nGedComFileFilter=GedCom Dateien\r\n";
  EXPECT_NE(after.find(inserted), std::string::npos) << after;
  EXPECT_EQ(after.size(), content.size() + std::string("GedComFileFilter=GedCom Dateien\r\n").size());
}

// The disk fills up while the language file is rewritten: the old one stays.
TEST_F(BadLanguageFile, AWriteThatFailsHalfWayKeepsTheOldFile) {
  const std::string content = "[frmSaveToForm]\r\nGO=Los\r\n" + std::string("Pad=") + words(8000) + "\r\n";
  writeFileBytes(file(), content);
  std::string text;
  withFileSizeLimit(1024, [&] { text = nls.GetNLSText("frmSaveToForm", "btnClientBottomClientClientCancel", "Cancel"); });
  EXPECT_EQ(text, "Cancel");
  EXPECT_EQ(readFileBytes(file()), content);
  EXPECT_EQ(entries(dir.path()), 1u);
}

// Booleans are integers: non-zero is true; a value that is no signed 32-bit
// decimal (after blanks and one pair of quotes are dropped) gives the default.
TEST(BadDefaultsIni, NonNumericBooleansGiveTheirDefaults) {
  TempDir dir;
  const std::string path = dir.file("DEFAULTS.INI");
  struct Case {
    const char* value;
    int number;  // 1 true, 0 false, -1 the default
  };
  const Case cases[] = {
      {"1", 1},    {"0", 0},     {"2", 1},     {"-1", 1},      {"\t1\t", 1},       {"+1", 1},
      {"\"0\"", 0}, {"'1'", 1},   {"ja", -1},   {"true", -1},   {"", -1},           {"1.0", -1},
      {"0x1", -1}, {"1 0", -1},  {"\"0", -1},  {"2147483647", 1}, {"2147483648", -1}, {"\x00" "1", -1},
  };
  std::string content = "; hand-edited\r\n[Language]\r\nMain=Deutsch\r\nID=vierundvierzig\r\n[SaveToForm]\r\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    content += "Option" + std::to_string(i) + "=";
    // The zero byte of the last case is part of the value.
    content += i + 1 == std::size(cases) ? std::string("\0" "1", 2) : std::string(cases[i].value);
    content += "\r\n";
  }
  writeFileBytes(path, content);

  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("Language", "ID", -1), -1);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "Option" + std::to_string(i);
    EXPECT_EQ(ini.ReadBool("SaveToForm", key, true), cases[i].number != 0) << key << " " << cases[i].value;
    EXPECT_EQ(ini.ReadBool("SaveToForm", key, false), cases[i].number == 1) << key << " " << cases[i].value;
  }
}

// Writing the settings back turns them into "1" and "0" in place and keeps
// every other line; a write that fails half-way keeps the old file whole.
TEST(BadDefaultsIni, WritingBackReplacesTheValuesAndKeepsTheRest) {
  TempDir dir;
  const std::string path = dir.file("DEFAULTS.INI");
  const std::string content =
      "; hand-edited\r\n[Language]\r\nMain=Deutsch\r\n[SaveToForm]\r\nDelimiterSaveCSV=ja\r\n"
      "Unknown=keep me\r\nSaveRowCounts=nein\r\n" +
      std::string(4000, '#') + "\r\n";
  writeFileBytes(path, content);

  auto writeSettings = [&] {
    TIniFile ini(path);
    ini.BeginUpdate();
    ini.WriteBool("SaveToForm", "DelimiterSaveCSV", false);
    ini.WriteBool("SaveToForm", "SaveRowCounts", true);
    ini.WriteString("SaveToForm", "DelimiterSaveOtherSTR", "#8");
    return ini.EndUpdate();
  };
  bool written = true;
  withFileSizeLimit(1024, [&] { written = writeSettings(); });
  EXPECT_FALSE(written);
  EXPECT_EQ(readFileBytes(path), content);
  EXPECT_EQ(entries(dir.path()), 1u);

  ASSERT_TRUE(writeSettings());
  EXPECT_EQ(readFileBytes(path),
            "; hand-edited\r\n[Language]\r\nMain=Deutsch\r\n[SaveToForm]\r\nDelimiterSaveCSV=0\r\n"
            "Unknown=keep me\r\nSaveRowCounts=1\r\n" +
                std::string(4000, '#') + "\r\nDelimiterSaveOtherSTR=#8\r\n");
}

}  // namespace
}  // namespace rowsmith
