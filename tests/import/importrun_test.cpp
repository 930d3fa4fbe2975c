#include "import/importrun.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/importcheck.h"
#include "export/exporttext.h"
#include "import/importfixture.h"
#include "import/loadedgedcom.h"

namespace rowsmith {
namespace {

using test::crlf;
using test::importBytes;

TEST(ImportGedcom, WithoutHeaderOrPersonsGivesNoRowsAndNoMessage) {
  for (const char* text : {"garbage\n0 @I1@ INDI\n1 NAME A /B/\n", "0 HEAD\n1 CHAR ANSI\n0 @F1@ FAM\n0 TRLR\n"}) {
    auto run = importBytes(crlf(text));
    EXPECT_EQ(run.table.rowCount(), 1) << text;
    EXPECT_EQ(run.table.cell(0, 0), "ID :");
    EXPECT_TRUE(run.messages.empty()) << text;
    EXPECT_FALSE(run.indexFilesLeft) << text;
  }
}

TEST(ImportGedcom, StartsFromAnEmptyTableEachRun) {
  test::TempDir dir;
  test::writeFileBytes(dir.file("second.ged"), crlf("0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n1 NAME E /F/\n0 TRLR\n"));
  StringTable table(kResultColumns);
  table.setRowCount(5);
  test::CapturedMessages quiet;
  ImportGedcom(dir.file("second.ged"), true, table);
  ASSERT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.cell(22, 1), "E F");
}

// Fails the run at its very end, after the rows are written.
class FailingMessages : public UserMessages {
 public:
  void showMessage(std::string_view) override { throw std::runtime_error("shown"); }
};

TEST(ImportGedcom, ErasesTheIndexFilesAlsoWhenTheRunFails) {
  test::TempDir dir;
  const std::string file = dir.file("input.ged");
  test::writeFileBytes(file, crlf("0 HEAD\n0 @I1@ INDI\n1 NAME A /B/\n0 TRLR\n"));
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

// Asks to stop as soon as it is asked.
class StoppingMessages : public UserMessages {
 public:
  void showMessage(std::string_view) override {}
  bool cancelled() const override { return true; }
};

TEST(ImportGedcom, AReceiverThatAsksToStopEndsTheRunCancelled) {
  test::TempDir dir;
  const std::string file = dir.file("input.ged");
  test::writeFileBytes(file, crlf("0 HEAD\n0 @I1@ INDI\n1 NAME A /B/\n0 TRLR\n"));
  setWorkFolder(dir.path() + "work/");
  StoppingMessages stopping;
  StringTable table;
  EXPECT_EQ(importGedcom(file, true, table, stopping).status, ImportStatus::Cancelled);
  setWorkFolder("");
  EXPECT_FALSE(test::fileExists(dir.path() + "work/" + kIndexName + "_BlockRef.Dat"));
}

TEST(ImportGedcom, WholeFilesGiveTheExpectedExportText) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged", "familie.expected"},
      {test::projectDataDir() + "sippe.ged", "sippe.expected"},
  };
  std::vector<int> order(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) order[static_cast<size_t>(c)] = c;
  for (const auto& [input, expectedName] : files) {
    SCOPED_TRACE(input);
    auto run = test::importFile(input);
    // The default export of the files is Windows-1252 as it always was.
    const std::string text = encodeExportText(BuildExportText(makeExportTable(run.table, order),
                                             std::vector<bool>(kResultColumns + 1, true), {";", "", "\r\n"}),
                                              TextEncoding::Windows1252);
    EXPECT_EQ(text, test::readFileBytes(test::projectDataDir() + expectedName));
  }
}

TEST(ImportGedcom, EveryTestdataFileKeepsTheRunInvariants) {
  std::vector<std::string> files = test::allTestdataGedcoms();
  if (files.empty()) GTEST_SKIP() << "no test data";
  for (const std::string& file : files) {
    test::TempDir dir;
    EXPECT_EQ(importcheck::brokenInvariant(file, dir.path() + "work/"), "") << file;
  }
}

}  // namespace
}  // namespace rowsmith
