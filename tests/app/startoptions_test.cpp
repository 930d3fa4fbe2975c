#include "app/startoptions.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace rowsmith {
namespace {

using Action = StartOptions::Action;

TEST(StartOptions, AFileToImportOrAnAnswerWithoutAWindow) {
  const struct {
    std::vector<std::string> arguments;
    Action action;
    std::string file;
  } cases[] = {
      {{}, Action::Run, ""},
      {{"Ahnen.ged"}, Action::Run, "Ahnen.ged"},
      {{"--", "-x.ged"}, Action::Run, "-x.ged"},
      {{"a.ged", "--help"}, Action::PrintHelp, ""},
      {{"--version"}, Action::PrintVersion, ""},
      {{"--verbose"}, Action::Fail, ""},
      {{"a.ged", "b.ged"}, Action::Fail, ""},
  };
  for (const auto& c : cases) {
    const StartOptions options = parseStartOptions(c.arguments);
    EXPECT_EQ(options.action, c.action) << testing::PrintToString(c.arguments);
    EXPECT_EQ(options.file, c.file);
  }
}

// Run without any display: a window would abort the program.
TEST(StartOptions, VersionAndHelpPrintWithoutADisplay) {
  for (const char* option : {"--version", "--help"}) {
    const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \"") +
                                ROWSMITH_DESKTOP_EXE + "\" " + option + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0) << option << ": " << output;
    EXPECT_EQ(output, option == std::string("--version") ? startVersionText() : startHelpText());
  }
}

}  // namespace
}  // namespace rowsmith
