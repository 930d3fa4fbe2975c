#pragma once
// The desktop program's command line: "rowsmith [FILE]", "--help",
// "--version". Read before the toolkit starts, so the two that only print
// need no display.
#include <string>
#include <vector>

namespace rowsmith {

struct StartOptions {
  enum class Action { Run, PrintHelp, PrintVersion, Fail } action = Action::Run;
  std::string file;   // to import at once; empty for none
  std::string error;  // for Fail
};

StartOptions parseStartOptions(const std::vector<std::string>& arguments);
// The language of the help: DEFAULTS.INI's choice, else the locale.
void chooseHelpLanguage();
std::string startHelpText();
std::string startVersionText();

}  // namespace rowsmith
