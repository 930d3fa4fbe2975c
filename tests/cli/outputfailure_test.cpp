// rowsmith-convert -o when the disk fills up half-way through the output:
// the run fails with a message, the old output stays as it was and no
// temporary file is left beside it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "testsupport.h"

namespace rowsmith {
namespace {

#ifdef ROWSMITH_CONVERT_EXE

struct ChildRun {
  bool exited = false;
  int status = -1;
  int signal = 0;
  std::string err;
};

// The converter as a shell would start it (SIGXFSZ at its default action)
// with files limited to limit bytes; stderr goes to errFile.
ChildRun convertWithFileSizeLimit(rlim_t limit, const std::string& errFile, const std::vector<std::string>& args) {
  std::vector<std::string> all{ROWSMITH_CONVERT_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int null = ::open("/dev/null", O_WRONLY);
    if (err < 0 || null < 0) _exit(126);
    dup2(null, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit small{};
    getrlimit(RLIMIT_FSIZE, &small);
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    execv(ROWSMITH_CONVERT_EXE, argv.data());
    _exit(127);
  }
  ChildRun run;
  int status = 0;
  waitpid(pid, &status, 0);
  run.exited = WIFEXITED(status);
  run.status = run.exited ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.err = test::readFileBytes(errFile);
  return run;
}

TEST(ConvertOutput, AWriteThatFailsHalfWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const std::string outputs = dir.path() + "out/";
  std::filesystem::create_directory(outputs);
  const std::string target = outputs + "table.csv";
  const std::string old = "the table of an earlier run\r\n";
  test::writeFileBytes(target, old);
  // Twelve persons of two lines each keep the index files small; sixteen
  // enclosing characters around every cell make the table large.
  std::string gedcom = "0 HEAD\r\n1 CHAR ANSI\r\n";
  for (int i = 1; i <= 12; ++i) gedcom += "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME Anna /Nummer/\r\n";
  gedcom += "0 TRLR\r\n";
  const std::string input = dir.file("twelve.ged");
  test::writeFileBytes(input, gedcom);
  std::string enclose;
  for (int i = 0; i < 16; ++i) enclose += "#65";

  const rlim_t limit = 8192;
  ChildRun whole = convertWithFileSizeLimit(1 << 20, dir.file("whole.txt"), {"-q", "--enclose", enclose, "-o", dir.file("whole.csv"), input});
  ASSERT_EQ(whole.status, 0) << whole.err;
  ASSERT_GT(test::readFileBytes(dir.file("whole.csv")).size(), 2 * limit);

  ChildRun run = convertWithFileSizeLimit(limit, dir.file("err.txt"), {"-q", "--enclose", enclose, "-o", target, input});
  EXPECT_TRUE(run.exited) << "ended by signal " << run.signal;
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "rowsmith-convert: cannot write " + target + ": File too large\n");
  EXPECT_EQ(test::readFileBytes(target), old);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(outputs)) ++files;
  EXPECT_EQ(files, 1u);
}

#endif

}  // namespace
}  // namespace rowsmith
