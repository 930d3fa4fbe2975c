#include "kernel/atomicfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "filesizelimit.h"
#include "testsupport.h"

namespace rowsmith {
namespace {

namespace fs = std::filesystem;

size_t entries(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WriteFileAtomically, ReplacesAnExistingFileKeepingItsPermissions) {
  test::TempDir dir;
  const std::string path = dir.file("private.ini");
  const std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_TRUE(writeFileAtomically(path, bytes));
  EXPECT_EQ(test::readFileBytes(path), bytes);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(writeFileAtomically(path, "short"));
  EXPECT_EQ(test::readFileBytes(path), "short");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(WriteFileAtomically, AFailureLeavesTheTargetAndNoTemporaryFile) {
  test::TempDir dir;
  std::string error;
  EXPECT_FALSE(writeFileAtomically(dir.file("missing/out.txt"), "x", &error));
  EXPECT_FALSE(error.empty());

  // A folder in the way of the rename.
  fs::create_directories(dir.file("target/inner"));
  EXPECT_FALSE(writeFileAtomically(dir.file("target"), "x", &error));
  EXPECT_EQ(entries(dir.path()), 1u);

  // A full disk: the write stops half-way.
  const std::string path = dir.file("NLS.49"), old = "[S]\r\nK=old\r\n";
  test::writeFileBytes(path, old);
  bool written = true;
  test::withFileSizeLimit(4096, [&] { written = writeFileAtomically(path, std::string(10000, 'n'), &error); });
  EXPECT_FALSE(written);
  EXPECT_EQ(error, "File too large");
  EXPECT_EQ(test::readFileBytes(path), old);
  EXPECT_EQ(entries(dir.path()), 2u);
}

}  // namespace
}  // namespace rowsmith
