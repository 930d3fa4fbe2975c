#include "kernel/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "testsupport.h"

namespace rowsmith {
namespace {

size_t entries(const std::string& folder) {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(WriteFileAtomically, WritesExactBytesAndReplacesAnExistingFile) {
  test::TempDir dir;
  std::string path = dir.file("out.txt");
  std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_TRUE(writeFileAtomically(path, bytes));
  EXPECT_EQ(test::readFileBytes(path), bytes);
  ASSERT_TRUE(writeFileAtomically(path, "short"));
  EXPECT_EQ(test::readFileBytes(path), "short");
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(WriteFileAtomically, AReplacedFileKeepsItsPermissions) {
  test::TempDir dir;
  std::string path = dir.file("private.ini");
  test::writeFileBytes(path, "old");
  namespace fs = std::filesystem;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(writeFileAtomically(path, "new"));
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(WriteFileAtomically, AFailureLeavesTheTargetAndNoTemporaryFile) {
  test::TempDir dir;
  std::string error;
  EXPECT_FALSE(writeFileAtomically(dir.file("missing/out.txt"), "x", &error));
  EXPECT_FALSE(error.empty());

  // A folder in the way of the rename: the temporary file must not remain.
  std::filesystem::create_directory(dir.file("target"));
  std::filesystem::create_directory(dir.file("target/inner"));
  EXPECT_FALSE(writeFileAtomically(dir.file("target"), "x", &error));
  EXPECT_EQ(entries(dir.path()), 1u);
}

// A full disk simulated by a file-size limit: the write stops half-way, the
// old file is whole and the temporary file is gone.
TEST(WriteFileAtomically, AWriteThatStopsHalfWayKeepsTheOldFile) {
  test::TempDir dir;
  std::string path = dir.file("NLS.49");
  const std::string old = "[S]\r\nK=old\r\n";
  test::writeFileBytes(path, old);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  bool written = writeFileAtomically(path, std::string(10000, 'n'), &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);

  EXPECT_FALSE(written);
  EXPECT_EQ(error, "File too large");
  EXPECT_EQ(test::readFileBytes(path), old);
  EXPECT_EQ(entries(dir.path()), 1u);
}

}  // namespace
}  // namespace rowsmith
