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
std::string startHelpText();
std::string startVersionText();

}  // namespace rowsmith
