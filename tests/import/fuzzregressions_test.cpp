// Inputs the fuzz targets found, minimised, under tests/data/regressions/.
#include <gtest/gtest.h>

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
  // link-to-non-person.ged: a HUSB or WIFE naming a source or a family must
  // name no person; the invariants check every ID against the records.
  // spouse-links-from-the-family.ged: a family naming a couple that does not
  // name it gives rows beyond the FAMS lines. char-only-on-its-own-line.ged:
  // "1 CHAR ANSI" on the header's own line names no character set, nor after
  // an LF inside a line of a file with CR lines (lf-inside-a-cr-line.ged).
  for (const std::string& file : inputs) {
    test::TempDir dir;
    EXPECT_EQ(importcheck::brokenInvariant(file), "") << file;
    EXPECT_EQ(importcheck::lfTwinDiffers(test::readFileBytes(file), dir.path()), "") << file;
  }
}

}  // namespace
}  // namespace rowsmith
