#include "kernel/folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "testsupport.h"

namespace rowsmith {
namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Folders, HomeVariableDecidesTheBaseFolder) {
  test::TempDir dir;
  std::string home = dir.path() + "home";  // no trailing slash on purpose
  ScopedEnv env("ROWSMITH_HOME", home.c_str());
  setWorkFolder("");
  EXPECT_EQ(baseFolder(), home + "/");
  EXPECT_EQ(workFolder(), home + "/Quillmere/Database/");
  EXPECT_EQ(NLSPath(), home + "/NLS/");
  EXPECT_EQ(SysDataPath(), home + "/Quillmere/Sysdata/");
}

TEST(Folders, WithoutHomeVariableAWritableProgramFolderIsTheBase) {
  ScopedEnv env("ROWSMITH_HOME", nullptr);
  std::string exe = executableFolder();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.back(), '/');
  EXPECT_TRUE(test::fileExists(exe));
  if (access(exe.c_str(), W_OK) == 0) {
    EXPECT_EQ(baseFolder(), exe);
  } else {
    EXPECT_NE(baseFolder().find("rowsmith/"), std::string::npos);
  }
}

TEST(Folders, WorkFolderOverrideAndReset) {
  test::TempDir dir;
  ScopedEnv env("ROWSMITH_HOME", dir.path().c_str());
  setWorkFolder(dir.path() + "private");
  EXPECT_EQ(workFolder(), dir.path() + "private/");
  setWorkFolder(dir.path() + "other/");
  EXPECT_EQ(workFolder(), dir.path() + "other/");
  setWorkFolder("");
  EXPECT_EQ(workFolder(), dir.path() + "Quillmere/Database/");
}

TEST(Folders, ForceDirectoriesCreatesMissingParents) {
  test::TempDir dir;
  EXPECT_TRUE(forceDirectories(dir.path() + "a/b/c/"));
  EXPECT_TRUE(test::fileExists(dir.path() + "a/b/c"));
  EXPECT_TRUE(forceDirectories(dir.path() + "a/b/c"));  // already there
  EXPECT_FALSE(forceDirectories(""));
  test::writeFileBytes(dir.file("file"), "x");
  EXPECT_FALSE(forceDirectories(dir.path() + "file/sub"));
}

}  // namespace
}  // namespace rowsmith
