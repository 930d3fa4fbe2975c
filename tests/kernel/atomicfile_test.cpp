#include "kernel/atomicfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/faults.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

namespace fs = std::filesystem;

TEST(WriteFileAtomically, ReplacesAnExistingFileKeepingItsPermissionsOrNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "no permission bits beyond read-only";
#endif
  test::TempDir dir;
  const std::string path = dir.file("private.ini");
  const std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_TRUE(writeFileAtomically(path, bytes));
  EXPECT_EQ(test::readFileBytes(path), bytes);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(writeFileAtomically(path, "short"));
  EXPECT_EQ(test::readFileBytes(path), "short");
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

  // A failure leaves the target and no temporary file.
  std::string error;
  EXPECT_FALSE(writeFileAtomically(dir.file("missing/out.txt"), "x", &error));
  EXPECT_FALSE(error.empty());

  // A folder in the way of the rename.
  fs::create_directories(dir.file("target/inner"));
  EXPECT_FALSE(writeFileAtomically(dir.file("target"), "x", &error));
  EXPECT_EQ(test::entryCount(dir.path()), 2);
}

// Whichever step fails, the target keeps its old bytes, the caller hears
// why, and no temporary file is left beside it.
TEST(WriteFileAtomically, AFailingStepKeepsTheOldFileAndLeavesNothing) {
  using C = os::SystemCall;
  using K = os::ErrorKind;
  const struct {
    C call;
    K kind;
  } cases[] = {{C::Open, K::AccessDenied}, {C::Write, K::NoSpace}, {C::Sync, K::Other}, {C::Rename, K::AccessDenied}};
  for (const auto& c : cases) {
    test::TempDir dir;
    const std::string path = dir.file("table.csv");
    test::writeFileBytes(path, "old");
    std::string error;
    bool written = true;
    {
      test::InjectedFaults faults(UINT64_MAX, c.call, c.kind);
      written = writeFileAtomically(path, std::string(100000, 'x'), &error);
    }
    EXPECT_FALSE(written) << static_cast<int>(c.call);
    EXPECT_FALSE(error.empty()) << static_cast<int>(c.call);
    EXPECT_EQ(test::readFileBytes(path), "old");
    EXPECT_EQ(test::entryCount(dir.path()), 1) << static_cast<int>(c.call);
  }
}

TEST(AtomicFile, WritesTheFileTheUserNamed) {
  test::TempDir dir;
#ifndef _WIN32  // links and descriptor names are POSIX's
  // A link is followed and stays a link.
  const std::string real = dir.file("real.csv"), link = dir.file("link.csv");
  test::writeFileBytes(real, "old");
  fs::create_symlink("real.csv", link);
  ASSERT_TRUE(writeFileAtomically(link, "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::readFileBytes(real), "new");
#endif

  // A name as long as the folder allows still gets a temporary name beside it.
  EXPECT_LE(fs::path(temporaryNameBeside(dir.file(std::string(255, 'n')), 255)).filename().string().size(), 255u);

  // A read-only file is refused even for root.
  const std::string locked = dir.file("locked.csv");
  test::writeFileBytes(locked, "keep");
  fs::permissions(locked, fs::perms::owner_read);
  std::string error;
  EXPECT_FALSE(writeFileAtomically(locked, "x", &error));
  EXPECT_EQ(test::readFileBytes(locked), "keep");

#ifndef _WIN32
  // An open descriptor's name is written through, after what is there.
  const std::string log = dir.file("log.txt");
  test::writeFileBytes(log, "before;");
  const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
  EXPECT_TRUE(writeFileAtomically("/dev/fd/" + std::to_string(fd), "after"));
  ::close(fd);
  EXPECT_EQ(test::readFileBytes(log), "before;after");
  EXPECT_EQ(test::entryCount(dir.path()), 4);
#endif
}

}  // namespace
}  // namespace rowsmith
