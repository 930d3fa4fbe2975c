#include "import/importrun.h"

#include <gtest/gtest.h>

#include "support/importcheck.h"
#include "export/exporttext.h"
#include "import/gedcomreader.h"
#include "import/loadedgedcom.h"
#include "os/osfile.h"

namespace rowsmith {
namespace {

using test::crlf;

TEST(ImportGedcom, StartsFromAnEmptyTableEachRun) {
  test::TempDir dir;
  test::writeFileBytes(dir.file("second.ged"), crlf("0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n1 NAME E /F/\n0 TRLR\n"));
  StringTable table(kResultColumns);
  table.setRowCount(5);
  test::CapturedMessages quiet;
  importGedcom(dir.file("second.ged"), table, quiet);
  ASSERT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.cell(22, 1), "E F");
}

TEST(ImportGedcom, OutcomeTellsWhyNothingWasImported) {
  test::TempDir dir;
  test::writeFileBytes(dir.file("zeros.ged"), std::string(3 << 20, '\0'));
  test::writeFileBytes(dir.file("late.ged"), std::string(kHeaderWindow, ' ') + "0 HEAD\r\n0 TRLR\r\n");
  test::writeFileBytes(dir.file("nobody.ged"), crlf("0 HEAD\n0 @F1@ FAM\n0 TRLR\n"));
  const struct {
    std::string file;
    ImportStatus status;
    os::ErrorKind cause;
  } cases[] = {
      {dir.file("missing.ged"), ImportStatus::CannotOpen, os::ErrorKind::NotFound},
      {dir.path(), ImportStatus::CannotOpen, os::ErrorKind::IsFolder},
      {dir.file("zeros.ged"), ImportStatus::NotGedcom, os::ErrorKind::None},
      {dir.file("late.ged"), ImportStatus::NotGedcom, os::ErrorKind::None},
      {dir.file("nobody.ged"), ImportStatus::NoPersons, os::ErrorKind::None},
  };
  for (const auto& c : cases) {
    StringTable table;
    test::CapturedMessages quiet;
    const ImportOutcome outcome = importGedcom(c.file, table, quiet);
    EXPECT_EQ(outcome.status, c.status) << c.file;
    EXPECT_EQ(outcome.cause.system.kind(), c.cause) << c.file;
    EXPECT_TRUE(quiet.messages.empty()) << c.file;
  }
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
  StoppingMessages stopping;
  StringTable table;
  EXPECT_EQ(importGedcom(file, table, stopping).status, ImportStatus::Cancelled);
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
    // The expected files hold the default export: Windows-1252 bytes.
    const std::string text = encodeExportText(BuildExportText(makeExportTable(run.table, {}, order),
                                             std::vector<bool>(kResultColumns + 1, true), {";", "", "\r\n"}),
                                              TextEncoding::Windows1252);
    EXPECT_EQ(text, test::readFileBytes(test::projectDataDir() + expectedName));
  }
}

TEST(ImportGedcom, EveryTestdataFileKeepsTheRunInvariants) {
  std::vector<std::string> files = test::allTestdataGedcoms();
  if (files.empty()) GTEST_SKIP() << "no test data";
  for (const std::string& file : files) EXPECT_EQ(importcheck::brokenInvariant(file), "") << file;
}

}  // namespace
}  // namespace rowsmith
