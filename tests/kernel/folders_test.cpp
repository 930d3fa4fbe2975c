#include "kernel/folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

TEST(Folders, HomeVariableDecidesTheBaseFolder) {
  test::TempDir dir;
  const std::string home = dir.path() + "home";  // no trailing slash on purpose
#ifdef _WIN32
  _putenv_s("ROWSMITH_HOME", home.c_str());
#else
  setenv("ROWSMITH_HOME", home.c_str(), 1);
#endif
  EXPECT_EQ(baseFolder(), home + "/");
  EXPECT_EQ(NLSPath(), home + "/NLS/");
  EXPECT_EQ(SysDataPath(), home + "/Quillmere/Sysdata/");
#ifdef _WIN32
  _putenv_s("ROWSMITH_HOME", "");
#else
  unsetenv("ROWSMITH_HOME");
#endif
}

TEST(Folders, AnInstalledProgramKeepsItsFilesPerUserEvenWhereItMayWrite) {
  test::TempDir dir;
  ASSERT_TRUE(forceDirectories(dir.path() + "bin/"));
  ASSERT_TRUE(forceDirectories(dir.path() + "build/src/"));
  EXPECT_FALSE(keepsFilesBeside(dir.path() + "bin/"));
  EXPECT_TRUE(keepsFilesBeside(dir.path() + "build/src/"));
  EXPECT_FALSE(keepsFilesBeside(dir.path() + "missing/"));
}

}  // namespace
}  // namespace rowsmith
