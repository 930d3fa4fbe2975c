// Inputs the fuzz targets found, minimised, under tests/data/regressions/:
// each keeps the invariants of every import run, and the cases that showed a
// fault give the rows the fix defines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../../fuzz/importcheck.h"
#include "import/importrun.h"
#include "kernel/folders.h"
#include "testsupport.h"

namespace rowsmith {
namespace {

using test::CapturedMessages;
using test::TempDir;

std::string regressionsDir() { return test::projectDataDir() + "regressions/"; }

std::vector<std::string> regressionInputs() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(regressionsDir()))
    if (entry.path().extension() == ".ged") files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

StringTable importFile(const std::string& file) {
  TempDir dir;
  setWorkFolder(dir.path() + "work/");
  CapturedMessages quiet;
  StringTable table(kResultColumns);
  ImportGedcom(file, true, table);
  setWorkFolder("");
  return table;
}

TEST(FuzzRegressions, EveryFoundInputKeepsTheRunInvariants) {
  std::vector<std::string> inputs = regressionInputs();
  ASSERT_FALSE(inputs.empty());
  for (const std::string& file : inputs) {
    TempDir dir;
    EXPECT_EQ(importcheck::brokenInvariant(file, dir.path() + "work/"), "") << file;
    EXPECT_EQ(importcheck::lfTwinDiffers(test::readFileBytes(file), dir.path()), "") << file;
  }
}

// A HUSB or WIFE naming a source or a family names no person: the partner
// is unknown (the person alone with that family), the parent "-1".
TEST(FuzzRegressions, ALinkToARecordThatIsNoIndividualNamesNoPerson) {
  StringTable table = importFile(regressionsDir() + "link-to-non-person.ged");
  ASSERT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.cell(0, 1), "1");
  EXPECT_EQ(table.cell(3, 1), "Alt");
  EXPECT_EQ(table.cell(16, 1), "-1");
  EXPECT_EQ(table.cell(17, 1), "-1");
  for (int c = 21; c < kResultColumns; ++c) EXPECT_EQ(table.cell(c, 1), "") << c;
}

}  // namespace
}  // namespace rowsmith
