// rowsmith-convert as a user runs it: exit status, standard output and error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "support/filesizelimit.h"
#include "kernel/ansitext.h"
#include "support/testsupport.h"

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

// Starts the converter with stdout and stderr going to files in dir; with a
// limit, files it writes may grow to that many bytes (SIGXFSZ at its default
// action, as a shell would start it).
pid_t start(const TempDir& dir, const std::string& tag, const std::vector<std::string>& args, rlim_t limit = 0) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (dir.path() + tag + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (dir.path() + tag + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<std::string> all{ROWSMITH_CONVERT_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  auto spawn = [&] { posix_spawn(&pid, ROWSMITH_CONVERT_EXE, &actions, &attributes, argv.data(), environ); };
  if (limit > 0) {
    test::withFileSizeLimit(limit, spawn);
  } else {
    spawn();
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

Result finish(const TempDir& dir, const std::string& tag, pid_t pid) {
  Result r;
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1000 - WTERMSIG(status);
  r.out = readFileBytes(dir.path() + tag + ".out");
  r.err = readFileBytes(dir.path() + tag + ".err");
  return r;
}

Result convert(const TempDir& dir, const std::vector<std::string>& args, rlim_t limit = 0) {
  return finish(dir, "run", start(dir, "run", args, limit));
}

std::string example() { return std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged"; }
std::string expected() { return readFileBytes(test::projectDataDir() + "familie.expected"); }

TEST(Convert, PrintsTheTableOrWritesItToAFile) {
  TempDir dir;
  Result r = convert(dir, {example()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected());
  EXPECT_EQ(r.err, "6 Personen importiert!\n");
  const std::string target = dir.file("table.csv");
  test::writeFileBytes(target, "old content that is longer than nothing");
  Result quiet = convert(dir, {"-q", "-o", target, example()});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
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
      {"descending without sort", {"--descending", example()}, 2, ""},
      {"six sort keys", {"--sort", "1,2,3,4,5,6", example()}, 2, ""},
      {"unknown sort column", {"--sort", "Wohnort", example()}, 2, ""},
      {"sort without keys", {"--sort", example()}, 2, ""},
      {"sort column 0", {"--sort", "0", example()}, 2, ""},
      {"descending with a value", {"--descending=1", "--sort", "1", example()}, 2, ""},
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
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
  Result notation = convert(dir, {"-q", "--separator=#124", "--line-break", "#10", "--columns=1", example()});
  EXPECT_EQ(notation.out, "|ID :\n1|1\n2|1\n3|4\n4|\n5|6");
}

TEST(Convert, Utf8EncodingConvertsTheWindows1252Text) {
  TempDir dir;
  Result r = convert(dir, {"--encoding", "utf-8", example()});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Johann Georg M\xC3\xBCller"), std::string::npos);
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
  EXPECT_EQ(convert(dir, {"--version"}).out.rfind("rowsmith-convert ", 0), 0u);
}

// The disk fills up half-way through the output: the run fails with a
// message, the old output stays and no temporary file is left beside it.
TEST(Convert, AWriteThatFailsHalfWayKeepsTheOldFile) {
  TempDir dir;
  const std::string outputs = dir.path() + "out/";
  std::filesystem::create_directory(outputs);
  const std::string target = outputs + "table.csv", old = "the table of an earlier run\r\n";
  test::writeFileBytes(target, old);
  // A small index, a large table: sixteen enclosing characters per cell.
  std::string gedcom = "0 HEAD\r\n1 CHAR ANSI\r\n";
  for (int i = 1; i <= 12; ++i) gedcom += "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME Anna /Nummer/\r\n";
  const std::string input = dir.file("twelve.ged");
  test::writeFileBytes(input, gedcom + "0 TRLR\r\n");
  std::string enclose;
  for (int i = 0; i < 16; ++i) enclose += "#65";
  const rlim_t limit = 8192;
  ASSERT_EQ(convert(dir, {"-q", "--enclose", enclose, "-o", dir.file("whole.csv"), input}).status, 0);
  ASSERT_GT(readFileBytes(dir.file("whole.csv")).size(), 2 * limit);

  Result r = convert(dir, {"-q", "--enclose", enclose, "-o", target, input}, limit);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "rowsmith-convert: cannot write " + target + ": File too large\n");
  EXPECT_EQ(readFileBytes(target), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outputs), std::filesystem::directory_iterator()), 1);
}

// The data lines of "surname;given" output, upper-cased as the sort compares them.
std::vector<std::pair<std::string, std::string>> namePairs(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t start = text.find("\r\n"); start != std::string::npos && start + 2 <= text.size();) {
    start += 2;
    const size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t semicolon = line.find(';');
    pairs.emplace_back(ansiUpperCase(line.substr(0, semicolon)), ansiUpperCase(line.substr(semicolon + 1)));
    start = end;
  }
  return pairs;
}

TEST(Convert, SortsByTheKeysInOrderTheFirstDeciding) {
  TempDir dir;
  std::vector<std::string> files{example()};
  if (!test::gedcomTestdataDir().empty()) files.push_back(test::gedcomTestdataDir() + "/genegenie/Ansi.ged");
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const std::vector<std::string> columns = {"-q", "--columns", "Nachname,Vorname", "--no-rowcount", file};
    auto run = [&](std::vector<std::string> sort) {
      sort.insert(sort.end(), columns.begin(), columns.end());
      Result r = convert(dir, sort);
      EXPECT_EQ(r.status, 0);
      return namePairs(r.out);
    };
    auto unsorted = run({}), up = run({"--sort", "Nachname :,3"}), down = run({"--sort=4,Vorname", "--descending"});
    ASSERT_GT(unsorted.size(), 2u);
    EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
    EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));
    std::sort(unsorted.begin(), unsorted.end());
    std::sort(up.begin(), up.end());
    EXPECT_EQ(up, unsorted);  // rows moved whole, none lost
  }
  EXPECT_EQ(convert(dir, {"-q", "--sort", "1,2,3,4,5", example()}).status, 0);
}

#endif

}  // namespace
}  // namespace rowsmith
