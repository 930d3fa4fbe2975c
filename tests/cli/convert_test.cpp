// rowsmith-convert as a user runs it: exit status, standard output and error.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <filesystem>

#include "testsupport.h"

extern char** environ;

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::TempDir;

#ifdef ROWSMITH_CONVERT_EXE

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Starts the converter with stdout and stderr going to files in dir.
pid_t start(const TempDir& dir, const std::string& tag, const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir.path() + tag + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (dir.path() + tag + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> all{ROWSMITH_CONVERT_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  posix_spawn(&pid, ROWSMITH_CONVERT_EXE, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

Result finish(const TempDir& dir, const std::string& tag, pid_t pid) {
  Result r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = readFileBytes(dir.path() + tag + ".out");
  r.err = readFileBytes(dir.path() + tag + ".err");
  return r;
}

Result convert(const TempDir& dir, const std::vector<std::string>& args) { return finish(dir, "run", start(dir, "run", args)); }

std::string example() { return std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged"; }
std::string expected() { return readFileBytes(test::projectDataDir() + "familie.expected"); }

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(Convert, PrintsTheTableOnStandardOutputOnly) {
  TempDir dir;
  Result r = convert(dir, {example()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected());
  EXPECT_EQ(r.err, "6 Personen importiert!\n");
  Result quiet = convert(dir, {"--quiet", example()});
  EXPECT_EQ(quiet.out, expected());
  EXPECT_EQ(quiet.err, "");
}

TEST(Convert, WritesAFileAndReplacesAnOldOne) {
  TempDir dir;
  const std::string target = dir.file("table.csv");
  test::writeFileBytes(target, "old content that is longer than nothing");
  Result r = convert(dir, {"-q", "-o", target, example()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(readFileBytes(target), expected());
  // Nothing but the target and the captured streams is left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 3);
}

struct FailureCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  const char* message;
};

TEST(Convert, ReportsFailuresOnOneLineWithANonZeroStatus) {
  TempDir dir;
  const std::string noHeader = dir.file("noheader.ged");
  test::writeFileBytes(noHeader, "just text\r\n0 @I1@ INDI\r\n");
  const std::string kept = dir.file("kept.csv");
  test::writeFileBytes(kept, "keep me");
  const std::vector<FailureCase> cases = {
      {"missing file", {dir.file("nothing.ged")}, 1, "cannot read"},
      {"a folder", {dir.path()}, 1, "cannot read"},
      {"no header", {noHeader}, 1, "0 HEAD"},
      {"no header keeps an existing output", {"-o", kept, noHeader}, 1, "0 HEAD"},
      {"bad separator notation", {"--separator", "#256", example()}, 2, "ERROR - number must be a byte!"},
      {"bad enclosing notation", {"--enclose", "#x", example()}, 2, "ERROR - # without number found!"},
      {"unwritable output", {"-o", dir.file("no/such/folder/t.csv"), example()}, 1, "cannot write"},
      {"unknown option", {"--frobnicate", example()}, 2, "unknown option"},
      {"no input", {"-q"}, 2, "no input file"},
      {"two inputs", {example(), example()}, 2, "only one input"},
      {"bad column", {"--columns", "ID,Nonsense", example()}, 2, "unknown column"},
      {"bad dates", {"--dates", "julian", example()}, 2, "--dates"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    Result r = convert(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("rowsmith-convert: ", 0), 0u) << r.err;
  }
  EXPECT_EQ(readFileBytes(kept), "keep me");
}

TEST(Convert, AFileWithoutIndividualsGivesTheHeaderLineAndSaysSo) {
  TempDir dir;
  const std::string file = dir.file("empty.ged");
  test::writeFileBytes(file, "0 HEAD\r\n1 CHAR ANSI\r\n0 @F1@ FAM\r\n0 TRLR\r\n");
  Result r = convert(dir, {file});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected().substr(0, expected().find("\r\n")));
  EXPECT_NE(r.err.find("no individuals"), std::string::npos);
}

TEST(Convert, FollowsTheFormatOptions) {
  TempDir dir;
  Result r = convert(dir, {"-q", "--columns", "ID,Name :,4,heiratsdatum", "--no-rowcount", "--separator", "tab",
                           "--enclose", "double", "--line-break", "lf", "--dates", "sortable", example()});
  EXPECT_EQ(r.status, 0);
  const std::string firstLines =
      "\"ID :\"\t\"Name :\"\t\"Nachname :\"\t\"Heiratsdatum :\"\n"
      "\"1\"\t\"Johann Georg M\xFCller\"\t\"M\xFCller\"\t\"18750504\"\n";
  EXPECT_EQ(r.out.substr(0, firstLines.size()), firstLines);
  EXPECT_EQ(lineCount(r.out), 5);
  Result notation = convert(dir, {"-q", "--separator=#124", "--line-break", "#10", "--columns=1", example()});
  EXPECT_EQ(notation.out, "|ID :\n1|1\n2|1\n3|4\n4|\n5|6");
}

TEST(Convert, Utf8EncodingConvertsTheWindows1252Text) {
  TempDir dir;
  Result r = convert(dir, {"--encoding", "utf-8", example()});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Johann Georg M\xC3\xBCller"), std::string::npos);
  EXPECT_NE(r.out.find("Stra\xC3\x9F" "e"), std::string::npos);
  EXPECT_EQ(r.out.find('\xFC'), std::string::npos);
  const std::string ansi = expected();
  const size_t high = static_cast<size_t>(
      std::count_if(ansi.begin(), ansi.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
  EXPECT_EQ(r.out.size(), ansi.size() + high);  // umlauts and sharp s take two bytes
}

TEST(Convert, ParallelRunsDoNotDisturbEachOther) {
  TempDir dir;
  std::vector<pid_t> pids;
  for (int i = 0; i < 4; ++i) pids.push_back(start(dir, "p" + std::to_string(i), {"-q", example()}));
  for (int i = 0; i < 4; ++i) {
    Result r = finish(dir, "p" + std::to_string(i), pids[static_cast<size_t>(i)]);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected());
  }
}

TEST(Convert, HelpAndVersion) {
  TempDir dir;
  Result help = convert(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: rowsmith-convert"), std::string::npos);
  Result version = convert(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("rowsmith-convert ", 0), 0u);
}

#endif

}  // namespace
}  // namespace rowsmith
