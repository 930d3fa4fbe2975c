// rowsmith-convert as a user runs it: exit status, standard output and error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "kernel/textcodec.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

namespace fs = std::filesystem;
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
pid_t start(const TempDir& dir, const std::string& tag, const std::vector<std::string>& args, rlim_t limit = 0,
            const std::vector<std::string>& extraEnvironment = {}) {
  std::vector<std::string> all{"/usr/bin/env"};  // env sets the extra variables and becomes the converter
  all.insert(all.end(), extraEnvironment.begin(), extraEnvironment.end());
  all.emplace_back(ROWSMITH_CONVERT_EXE);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string out = dir.path() + tag + ".out", err = dir.path() + tag + ".err";
  rlimit size{};
  getrlimit(RLIMIT_FSIZE, &size);
  if (limit > 0) size.rlim_cur = limit;
  const pid_t pid = fork();
  if (pid == 0) {  // only calls that are safe between fork and exec
    auto redirect = [](const std::string& path, int target) {
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, target);
      close(fd);
    };
    redirect(out, 1);
    redirect(err, 2);
    signal(SIGXFSZ, SIG_DFL);
    setrlimit(RLIMIT_FSIZE, &size);
    execv(argv[0], argv.data());
    _exit(127);
  }
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
  // Row 4 has a note with the separator in it: a spreadsheet would split it.
  const std::string warning = "rowsmith-convert: 1 cells contain the separator or a line break; use --enclose double\n";
  EXPECT_EQ(r.err, "6 Personen importiert!\n" + warning);
  const std::string target = dir.file(std::string(251, 't') + ".csv");  // as long as names go
  test::writeFileBytes(target, "old content that is longer than nothing");
  Result quiet = convert(dir, {"-q", "-o", target, example()});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out + quiet.err, warning);
  EXPECT_EQ(readFileBytes(target), expected());
  // Nothing but the target and the captured streams is left behind.
  EXPECT_EQ(test::entryCount(dir.path()), 3);
  // In UTF-8 the same text, with or without the mark.
  Result utf8 = convert(dir, {"-q", "--encoding", "utf-8", example()});
  EXPECT_EQ(utf8.out, decodeWindows1252(expected()));
  EXPECT_EQ(convert(dir, {"-q", "--encoding=utf-8-bom", example()}).out, "\xEF\xBB\xBF" + utf8.out);
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
      {"a read error keeps an existing output", {"-o", kept, "/proc/self/mem"}, 1,
       "rowsmith-convert: /proc/self/mem: Input/output error\n"},
      {"bad notation before a missing input", {"--separator", "#999", dir.file("missing.ged")}, 2,
       "rowsmith-convert: --separator: ERROR - number must be a byte!\n"},
      {"bad enclosing notation", {"--enclose", "#x", example()}, 2, "--enclose: ERROR - # without number found!"},
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
      {"workbook to standard output", {"--format", "xlsx", example()}, 2, "--format xlsx needs -o"},
      {"unknown format", {"--format", "csv", example()}, 2, "--format must be"},
      {"column 0", {"--columns", "0", example()}, 2, ""},
      {"column 40", {"--columns", "40", example()}, 2, ""},
      {"no columns", {"--columns", "", example()}, 2, ""},
      {"empty output name", {"-o", "", example()}, 2, ""},
      {"unknown encoding", {"--encoding", "latin1", example()}, 2, ""},
      {"a switch with a value", {"--no-rowcount=1", example()}, 2, ""},
      {"an option without its value", {"--separator"}, 2, ""},
      {"-- ends the options", {"--", "-odd.ged"}, 1, "-odd.ged"},
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
  Result named = convert(dir, {"-q", "--separator", "comma", "--enclose", "single", "--columns=1,39", example()});
  EXPECT_EQ(named.out.rfind("'','ID :','ID Mutter (Partner) :'\r\n'1','1','0'\r\n", 0), 0u) << named.out;
  // The workbook goes straight into the file that replaces the target: no
  // copy in the temporary folder, which need not even exist.
  const std::vector<std::string> bookArgs{"-q", "--format", "xlsx", "-o", dir.file("t.xlsx"), example()};
  Result book = finish(dir, "book", start(dir, "book", bookArgs, 0, {"TMPDIR=" + dir.file("missing")}));
  EXPECT_EQ(book.status, 0);
  EXPECT_EQ(book.out + book.err, "");
  EXPECT_EQ(readFileBytes(dir.file("t.xlsx")).substr(0, 4), std::string("PK\x03\x04", 4));
}

// What the converter changed or could not read is said on standard error:
// a file without individuals (the header line is written), cells that read
// as formulas (kept as they are on request), text after a byte 26, a
// language file that gives no texts (read as UTF-16 or with CR lines as well).
TEST(Convert, SaysWhatItChangedOrCouldNotRead) {
  TempDir dir;
  const std::string empty = dir.file("empty.ged");
  test::writeFileBytes(empty, "0 HEAD\r\n1 CHAR ANSI\r\n0 @F1@ FAM\r\n0 TRLR\r\n");
  Result none = convert(dir, {empty});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, expected().substr(0, expected().find("\r\n")));
  EXPECT_NE(none.err.find("no individuals"), std::string::npos);

  const std::string file = dir.file("in.ged");
  test::writeFileBytes(file, "0 HEAD\r\n0 @I1@ INDI\r\n1 NAME =cmd|' -C calc'!A0 /B/\r\n1 SEX M\r\n1 OCCU -5\r\n"
                             "1 NOTE @@SUM(A1)\x1a\r\n0 @I2@ INDI\r\n");
  std::vector<std::string> args = {"-q", "--columns", "Vorname,Beruf,Bemerkungen", "--line-break", "lf", file};
  Result guarded = convert(dir, args);
  EXPECT_EQ(guarded.out.substr(guarded.out.find('\n') + 1), "1;'=cmd|' -C calc'!A0;-5;'@SUM(A1)");
  EXPECT_EQ(guarded.err, "rowsmith-convert: " + file + ": line 6 holds a byte 26, which ends the file; the text "
                         "after it was not read\nrowsmith-convert: 2 cells begin like a formula and were written "
                         "after an apostrophe; --keep-formulas keeps them as they are\n");
  args.insert(args.begin(), "--keep-formulas");
  EXPECT_EQ(convert(dir, args).out.substr(guarded.out.find('\n') + 1), "1;=cmd|' -C calc'!A0;-5;@SUM(A1)");

  fs::create_directory(dir.path() + "NLS");
  const std::string shipped = readFileBytes(std::string(ROWSMITH_SOURCE_DIR) + "/data/nls/NLS.44");
  std::string crLines, utf16 = "\xFF\xFE";
  for (char c : shipped) {
    if (c != '\n') crLines += c;
    utf16 += c, utf16 += '\0';  // the file is ASCII
  }
  for (const std::string& content : {crLines, utf16, std::string()}) {
    test::writeFileBytes(dir.path() + "NLS/NLS.44", content);
    const Result r = finish(dir, "run", start(dir, "run", {"-q", "--language", "en", "--columns", "3,26", example()}, 0,
                                              {"ROWSMITH_HOME=" + dir.path()}));
    // Women are "F" in English, as the window shows them.
    EXPECT_EQ(r.out.substr(0, r.out.find("\r\n2")),
              content.empty() ? ";Vorname :;Geschlecht (Partner) :\r\n1;Johann Georg;W"
                              : ";Given name :;Sex (Partner) :\r\n1;Johann Georg;F");
    EXPECT_EQ(r.err.find("gives no texts") != std::string::npos, content.empty()) << r.err;
  }
}

// The disk fills up half-way through the output: the run fails with a
// message, the old output stays and no temporary file is left beside it.
TEST(Convert, AWriteThatFailsHalfWayKeepsTheOldFile) {
  TempDir dir;
  const std::string outputs = dir.path() + "out/";
  fs::create_directory(outputs);
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
  EXPECT_EQ(test::entryCount(outputs), 1);
}

// Targets that must not be replaced: the run fails naming the file and the
// real cause, and what was there stays.
TEST(Convert, RefusesTargetsItMustNotReplace) {
  TempDir dir;
  const std::string input = dir.file("in.ged"), readOnly = dir.file("ro.csv");
  test::writeFileBytes(input, readFileBytes(example()));
  test::writeFileBytes(readOnly, "keep me");
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_symlink("in.ged", dir.file("link"));
  fs::create_hard_link(input, dir.file("hard"));
  fs::create_directory(dir.file("folder"));
  const std::vector<FailureCase> cases = {
      {"the input itself", {"-o", input, input}, 1, "it is the input file"},
      {"a link to the input", {"-o", dir.file("link"), input}, 1, "it is the input file"},
      {"a hard link to the input", {"-o", dir.file("hard"), input}, 1, "it is the input file"},
      {"a read-only file", {"-o", readOnly, input}, 1, "ro.csv: the file is read-only"},
      {"a read-only system file", {"-o", "/proc/version", input}, 1, "/proc/version: the file is read-only"},
      {"a name ending in a slash", {"-o", dir.file("outdir/"), input}, 1, "outdir/: a file name cannot end in"},
      {"a folder", {"-o", dir.file("folder"), input}, 1, "folder: it is a folder"},
      {"a missing folder", {"-o", dir.file("none/t.csv"), input}, 1, "none does not exist"},
      {"a file as folder", {"-o", input + "/t.csv", input}, 1, "in.ged is not a folder"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    Result r = convert(dir, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err.rfind("rowsmith-convert: cannot write ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(readFileBytes(input), readFileBytes(example()));
  EXPECT_EQ(readFileBytes(readOnly), "keep me");
  EXPECT_TRUE(fs::is_symlink(dir.file("link")));
}

// Only on nodes made here: as root, a converter that replaced its target
// would replace a system device.
bool makeNode(const std::string& path, mode_t mode, dev_t device) { return mknod(path.c_str(), mode, device) == 0; }

TEST(Convert, WritesThroughDevicesAndPipes) {
  TempDir dir;
  const std::string null = dir.file("null"), full = dir.file("full"), fifo = dir.file("fifo");
  if (!makeNode(null, S_IFCHR | 0666, makedev(1, 3)) || !makeNode(full, S_IFCHR | 0666, makedev(1, 7)))
    GTEST_SKIP() << "device nodes need root";
  Result toNull = convert(dir, {"-q", "-o", null, example()});
  EXPECT_EQ(toNull.status, 0) << toNull.err;
  Result toFull = convert(dir, {"-q", "-o", full, example()});
  EXPECT_EQ(toFull.status, 1);
  EXPECT_EQ(toFull.err, "rowsmith-convert: cannot write " + full + ": No space left on device\n");
  struct stat st {};
  EXPECT_TRUE(stat(null.c_str(), &st) == 0 && S_ISCHR(st.st_mode));
  EXPECT_TRUE(stat(full.c_str(), &st) == 0 && S_ISCHR(st.st_mode));

  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  pid_t writer = start(dir, "fifo", {"-q", "-o", fifo, example()});
  EXPECT_EQ(readFileBytes(fifo), expected());
  EXPECT_EQ(finish(dir, "fifo", writer).status, 0);
  EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));

  Result toStdout = convert(dir, {"-q", "-o", "/dev/stdout", example()});
  EXPECT_EQ(toStdout.status, 0);
  EXPECT_EQ(toStdout.out, expected());
}

// Interrupted while it waits for its input (a pipe nobody writes), the run
// removes its temporary output and ends as the signal would.
TEST(Convert, AnInterruptLeavesNoTemporaryOutput) {
  TempDir dir;
  const std::string fifo = dir.file("in.ged"), outputs = dir.file("out/"), work = dir.file("work/");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(outputs);
  fs::create_directory(work);
  test::writeFileBytes(outputs + "target.csv", "old");
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    pid_t pid = start(dir, "sig", {"-q", "-o", outputs + "target.csv", fifo}, 0, {"TMPDIR=" + work});
    for (int wait = 0; wait < 500 && test::entryCount(outputs) < 2; ++wait) usleep(10000);
    ASSERT_EQ(test::entryCount(outputs), 2) << "no temporary output appeared";
    kill(pid, sig);
    EXPECT_EQ(finish(dir, "sig", pid).status, -1000 - sig);
    EXPECT_EQ(test::entryCount(outputs), 1);
    EXPECT_EQ(readFileBytes(outputs + "target.csv"), "old");
  }
}

TEST(Convert, SortsByTheKeysInOrderTheFirstDeciding) {
  TempDir dir;
  auto run = [&](std::vector<std::string> args) {
    for (const char* a : {"-q", "--columns", "Nachname,Vorname", "--no-rowcount"}) args.emplace_back(a);
    args.push_back(example());
    return convert(dir, args).out;
  };
  EXPECT_EQ(run({"--sort", "Nachname :,3"}),
            "Nachname :;Vorname :\r\n;\r\nGro\xDF;Franz\r\nM\xFCller;Johann Georg\r\nM\xFCller;Johann Georg\r\n"
            "M\xFCller;Peter");
  EXPECT_EQ(run({"--sort=4,Vorname", "--descending"}),
            "Nachname :;Vorname :\r\nM\xFCller;Peter\r\nM\xFCller;Johann Georg\r\nM\xFCller;Johann Georg\r\n"
            "Gro\xDF;Franz\r\n;");
  EXPECT_EQ(convert(dir, {"-q", "--sort", "1,2,3,4,5", example()}).status, 0);
}

#endif

}  // namespace
}  // namespace rowsmith
