// rowsmith-convert --sort and --descending, run as the program itself.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "kernel/ansitext.h"
#include "testsupport.h"

namespace rowsmith {
namespace {

#ifdef ROWSMITH_CONVERT_EXE

struct ConvertRun {
  int status = -1;
  std::string out;
};

ConvertRun convert(const std::string& arguments) {
  ConvertRun run;
  std::string command = std::string("'") + ROWSMITH_CONVERT_EXE + "' -q " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The data lines of "surname;given" output, upper-cased as the sort compares them.
std::vector<std::pair<std::string, std::string>> namePairs(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = text.find("\r\n");  // skip the header line
  while (start != std::string::npos && start + 2 <= text.size()) {
    start += 2;
    size_t end = text.find("\r\n", start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t semicolon = line.find(';');
    pairs.emplace_back(ansiUpperCase(line.substr(0, semicolon)), ansiUpperCase(line.substr(semicolon + 1)));
    start = end;
  }
  return pairs;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

TEST(ConvertSortOption, SortsByTheKeysInOrderTheFirstDeciding) {
  std::vector<std::string> files{std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged"};
  if (!test::gedcomTestdataDir().empty()) files.push_back(test::gedcomTestdataDir() + "/genegenie/Ansi.ged");
  for (const std::string& file : files) {
    const std::string columns = " --columns Nachname,Vorname --no-rowcount ";
    ConvertRun plain = convert(columns + quoted(file));
    ConvertRun ascending = convert(columns + "--sort 'Nachname :,3' " + quoted(file));
    ConvertRun descending = convert(columns + "--sort=4,Vorname --descending " + quoted(file));
    ASSERT_EQ(plain.status, 0) << file;
    ASSERT_EQ(ascending.status, 0) << file;
    ASSERT_EQ(descending.status, 0) << file;

    auto unsorted = namePairs(plain.out);
    auto up = namePairs(ascending.out);
    auto down = namePairs(descending.out);
    ASSERT_GT(unsorted.size(), 2u);
    EXPECT_TRUE(std::is_sorted(up.begin(), up.end())) << file;
    EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend())) << file;
    std::sort(unsorted.begin(), unsorted.end());
    std::sort(up.begin(), up.end());
    EXPECT_EQ(up, unsorted);  // rows moved whole, none lost
  }
}

TEST(ConvertSortOption, RejectsBadKeyLists) {
  const std::string file = quoted(std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged");
  for (const char* arguments : {"--descending", "--sort 1,2,3,4,5,6", "--sort Wohnort", "--sort", "--sort 0",
                                "--descending=1 --sort 1"}) {
    ConvertRun run = convert(std::string(arguments) + " " + file);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_TRUE(run.out.empty()) << arguments;
  }
  EXPECT_EQ(convert("--sort 1,2,3,4,5 " + file).status, 0);
}

#endif

}  // namespace
}  // namespace rowsmith
