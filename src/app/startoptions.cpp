#include "app/startoptions.h"

#include "kernel/folders.h"
#include "nls/inifile.h"
#include "nls/nlssupport.h"
#include "os/osfile.h"

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

void chooseHelpLanguage() {
  const TIniFile settings(SysDataPath() + "DEFAULTS.INI");
  std::string locale = os::environment("LC_ALL");
  if (locale.empty()) locale = os::environment("LC_MESSAGES");
  if (locale.empty()) locale = os::environment("LANG");
  // Only read: printing the help creates no file.
  NLS().setReadOnly(true);
  std::string folder = NLSPath();
  if (os::fileInfo(folder + "NLS.44").kind != os::FileKind::Regular) folder = shippedLanguageFolder();
  const int language = startLanguage(settings.ReadString("Language", "Main", ""), settings.ReadInteger("Language", "ID", -1),
                                     locale, !folder.empty());
  NLS().SetLanguage(language);
  if (language == 44) NLS().setLanguageFolder(folder);
}

std::string startHelpText() {
  return NLS().GetNLSText("Help", "Usage",
                          "Aufruf: rowsmith [DATEI]\n"
                          "Zeigt eine GEDCOM-Datei als Tabelle von Paaren und Einzelpersonen, zum Sortieren,\n"
                          "Suchen, Filtern und Exportieren. DATEI wird sofort eingelesen.\n"
                          "\n"
                          "  -h, --help     diesen Text zeigen und beenden\n"
                          "      --version  die Version zeigen und beenden\n"
                          "\n"
                          "Der Konvertierer ohne Fenster ist rowsmith-convert.\n");
}

std::string startVersionText() { return std::string("rowsmith ") + ROWSMITH_VERSION + "\n"; }

}  // namespace rowsmith
