// Inputs the fuzz targets found, minimised, under tests/data/regressions/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/importcheck.h"
#include "import/loadedgedcom.h"

namespace rowsmith {
namespace {

std::string regressionsDir() { return test::projectDataDir() + "regressions/"; }

TEST(FuzzRegressions, EveryFoundInputKeepsTheRunInvariants) {
  std::vector<std::string> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(regressionsDir()))
    if (entry.path().extension() == ".ged") inputs.push_back(entry.path().string());
  ASSERT_FALSE(inputs.empty());
  for (const std::string& file : inputs) {
    test::TempDir dir;
    EXPECT_EQ(importcheck::brokenInvariant(file), "") << file;
    EXPECT_EQ(importcheck::lfTwinDiffers(test::readFileBytes(file), dir.path()), "") << file;
  }
}

// A HUSB or WIFE naming a source or a family names no person: the partner
// is unknown (the person alone with that family), the parent "-1".
TEST(FuzzRegressions, ALinkToARecordThatIsNoIndividualNamesNoPerson) {
  const StringTable table = test::importFile(regressionsDir() + "link-to-non-person.ged").table;
  ASSERT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.cell(0, 1), "1");
  EXPECT_EQ(table.cell(3, 1), "Alt");
  EXPECT_EQ(table.cell(16, 1), "-1");
  EXPECT_EQ(table.cell(17, 1), "-1");
  for (int c = 21; c < kResultColumns; ++c) EXPECT_EQ(table.cell(c, 1), "") << c;
}

}  // namespace
}  // namespace rowsmith
