#include "import/importrun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>

#include "export/exporttext.h"
#include "import/indexfiles.h"
#include "import/loadedgedcom.h"
#include "kernel/folders.h"
#include "testsupport.h"

namespace rowsmith {
namespace {

using test::CapturedMessages;
using test::TempDir;

// Runs the import in a private work folder and tells whether index files
// were left behind.
struct ImportRun {
  TempDir dir;
  StringTable table{kResultColumns};
  int32_t counter = 0;
  std::vector<std::string> messages;

  explicit ImportRun(std::string_view gedcomText, bool western = true) {
    const std::string file = dir.file("input.ged");
    test::writeFileBytes(file, test::crlf(gedcomText));
    runFile(file, western);
  }
  void runFile(const std::string& file, bool western) {
    setWorkFolder(dir.path() + "work/");
    CapturedMessages captured;
    counter = ImportGedcom(file, western, table);
    messages = captured.messages;
    setWorkFolder("");
  }
  bool indexFilesLeft() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() + "work/", ec)) {
      if (entry.path().filename().string().find(kIndexName) != std::string::npos) return true;
    }
    return false;
  }
};

TEST(ImportGedcom, FillsTheTableAndCountsThePersons) {
  ImportRun run(
      "0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n1 NAME A /B/\n1 SEX M\n1 FAMS @F1@\n0 @I2@ INDI\n1 NAME C /D/\n"
      "1 SEX F\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n0 TRLR\n");
  EXPECT_GT(run.counter, 0);
  ASSERT_EQ(run.table.rowCount(), 2);
  for (int c = 0; c < kResultColumns; ++c) EXPECT_EQ(run.table.cell(c, 0), ResultHeaders()[c]);
  EXPECT_EQ(run.table.cell(0, 0), "ID :");
  EXPECT_EQ(run.table.cell(38, 0), "ID Mutter (Partner) :");
  EXPECT_EQ(run.table.cell(0, 1), "1");
  EXPECT_EQ(run.table.cell(21, 1), "2");
  EXPECT_EQ(run.messages, std::vector<std::string>{"2 Personen importiert!"});
  EXPECT_FALSE(run.indexFilesLeft());
}

TEST(ImportGedcom, WithoutHeaderOrPersonsGivesNoRowsAndNoMessage) {
  for (const char* text : {"garbage\n0 @I1@ INDI\n1 NAME A /B/\n", "0 HEAD\n1 CHAR ANSI\n0 @F1@ FAM\n0 TRLR\n"}) {
    ImportRun run(text);
    EXPECT_EQ(run.table.rowCount(), 1) << text;
    EXPECT_EQ(run.table.cell(0, 0), "ID :");
    EXPECT_TRUE(run.messages.empty()) << text;
    EXPECT_FALSE(run.indexFilesLeft()) << text;
  }
}

TEST(ImportGedcom, StartsFromAnEmptyTableEachRun) {
  ImportRun run("0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n1 NAME A /B/\n0 @I2@ INDI\n1 NAME C /D/\n0 TRLR\n");
  ASSERT_EQ(run.table.rowCount(), 3);
  const std::string second = run.dir.file("second.ged");
  test::writeFileBytes(second, test::crlf("0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n1 NAME E /F/\n0 TRLR\n"));
  run.runFile(second, true);
  ASSERT_EQ(run.table.rowCount(), 2);
  EXPECT_EQ(run.table.cell(22, 1), "E F");
}

// Fails the run at its very end, after the rows are written.
class FailingMessages : public UserMessages {
 public:
  void showMessage(std::string_view) override { throw std::runtime_error("shown"); }
};

TEST(ImportGedcom, ErasesTheIndexFilesAlsoWhenTheRunFails) {
  TempDir dir;
  const std::string file = dir.file("input.ged");
  test::writeFileBytes(file, test::crlf("0 HEAD\n0 @I1@ INDI\n1 NAME A /B/\n0 TRLR\n"));
  setWorkFolder(dir.path() + "work/");
  FailingMessages failing;
  UserMessages* previous = setUserMessages(&failing);
  StringTable table;
  EXPECT_THROW(ImportGedcom(file, true, table), std::runtime_error);
  setUserMessages(previous);
  setWorkFolder("");
  EXPECT_FALSE(test::fileExists(dir.path() + "work/" + kIndexName + "_BlockRef.Dat"));
  EXPECT_FALSE(test::fileExists(dir.path() + "work/" + kIndexName + "_FieldRef.Dat"));
}

std::string exportAll(const StringTable& table) {
  std::vector<int> order(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) order[static_cast<size_t>(c)] = c;
  ExportFormat format{";", "", "\r\n"};
  StringTable exportTable = makeExportTable(table, order);
  return BuildExportText(exportTable, std::vector<bool>(kResultColumns + 1, true), format);
}

// The complete export text of whole files, checked against expected files.
TEST(ImportGedcom, WholeFilesGiveTheExpectedExportText) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged", "familie.expected"},
      {test::projectDataDir() + "sippe.ged", "sippe.expected"},
  };
  for (const auto& [input, expectedName] : files) {
    SCOPED_TRACE(input);
    ImportRun run("");
    run.runFile(input, true);
    EXPECT_EQ(exportAll(run.table), test::readFileBytes(test::projectDataDir() + expectedName));
  }
}

TEST(ImportGedcom, EveryTestdataFileConvertsWithSoundRows) {
  std::vector<std::string> files = test::allTestdataGedcoms();
  if (files.empty()) GTEST_SKIP() << "no test data";
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ImportRun run("");
    run.runFile(file, true);
    EXPECT_FALSE(run.indexFilesLeft());
    const StringTable& t = run.table;
    ASSERT_GE(t.rowCount(), 1);
    EXPECT_EQ(t.cell(0, 0), "ID :");
    if (t.rowCount() > 1) {
      ASSERT_EQ(run.messages.size(), 1u);
      EXPECT_NE(run.messages[0].find(" Personen importiert!"), std::string::npos);
    }
    std::set<std::string> written;
    for (int r = 1; r < t.rowCount(); ++r) {
      std::string_view left = t.cell(0, r), right = t.cell(21, r);
      ASSERT_TRUE(!left.empty() || !right.empty()) << "blank row " << r;
      EXPECT_NE(left, "0");
      EXPECT_NE(right, "0");
      EXPECT_NE(left, "-1");
      EXPECT_NE(right, "-1");
      written.emplace(left);
      written.emplace(right);
    }
    // Every listed person appears in some row.
    if (!run.messages.empty()) {
      size_t listed = std::stoul(run.messages[0]);
      written.erase("");
      EXPECT_GE(written.size(), listed);
    }
  }
}

}  // namespace
}  // namespace rowsmith
