#include "app/startoptions.h"

namespace rowsmith {

StartOptions parseStartOptions(const std::vector<std::string>& arguments) {
  StartOptions options;
  bool optionsEnd = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnd && argument == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && (argument == "--help" || argument == "-h")) {
      return StartOptions{StartOptions::Action::PrintHelp, {}, {}};
    } else if (!optionsEnd && argument == "--version") {
      return StartOptions{StartOptions::Action::PrintVersion, {}, {}};
    } else if (!optionsEnd && argument.size() > 1 && argument[0] == '-') {
      // Options the toolkit itself reads (-style, -platform ...) are gone by
      // now only if it has started; before that, an unknown one is an error.
      return StartOptions{StartOptions::Action::Fail, {}, "unknown option " + argument};
    } else if (options.file.empty()) {
      options.file = argument;
    } else {
      return StartOptions{StartOptions::Action::Fail, {}, "only one file can be opened"};
    }
  }
  return options;
}

std::string startHelpText() {
  return "Usage: rowsmith [FILE]\n"
         "Shows a GEDCOM file as a table of couples and single persons, to sort,\n"
         "search, filter and export. FILE is imported at once.\n"
         "\n"
         "  -h, --help     show this text and exit\n"
         "      --version  show the version and exit\n"
         "\n"
         "The converter without a window is rowsmith-convert.\n";
}

std::string startVersionText() { return std::string("rowsmith ") + ROWSMITH_VERSION + "\n"; }

}  // namespace rowsmith
