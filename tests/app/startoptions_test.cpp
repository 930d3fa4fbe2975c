#include "app/startoptions.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/testsupport.h"

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

// Run without any display: a window would abort the program. The help of
// both programs is in the locale's language, English from the shipped
// language file.
TEST(StartOptions, VersionAndHelpPrintWithoutADisplay) {
  test::TempDir home;
  const std::tuple<const char*, const char*, const char*, std::string> cases[] = {
      {ROWSMITH_DESKTOP_EXE, "--version", "C", startVersionText()},
      {ROWSMITH_DESKTOP_EXE, "--help", "de_DE.UTF-8", "Aufruf: rowsmith [DATEI]\n"},
      {ROWSMITH_DESKTOP_EXE, "--help", "C", "Usage: rowsmith [FILE]\n"},
      {ROWSMITH_CONVERT_EXE, "--help", "de_DE.UTF-8", "Aufruf: rowsmith-convert [Optionen] DATEI.ged\n"},
      {ROWSMITH_CONVERT_EXE, "--language en --help", "de_DE.UTF-8", "Usage: rowsmith-convert [options] FILE.ged\n"},
  };
  for (const auto& [program, option, locale, start] : cases) {
    const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES ") +
                                "ROWSMITH_HOME=" + home.path() + " LANG=" + locale + " \"" + program + "\" " + option +
                                " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    EXPECT_EQ(pclose(pipe), 0) << option << ": " << output;
    EXPECT_TRUE(output.starts_with(start)) << output;
  }
  // Printing the help creates no file.
  EXPECT_FALSE(test::fileExists(home.path() + "NLS/NLS.49"));
}

}  // namespace
}  // namespace rowsmith
