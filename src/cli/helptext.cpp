#include "cli/helptext.h"

#include "cli/options.h"
#include "nls/nlssupport.h"
#include "os/osfile.h"

namespace rowsmith::cli {

namespace {

constexpr char kGermanUsage[] =
    "Aufruf: rowsmith-convert [Optionen] DATEI.ged\n"
    "Wandelt eine GEDCOM-Datei in die getrennte Tabelle der Paare und Einzelpersonen um.\n"
    "\n"
    "  -o, --output DATEI      in DATEI statt in die Standardausgabe schreiben; DATEI wird am\n"
    "                          Ende ganz ersetzt, in ein Gerät, eine Pipe oder /dev/stdout\n"
    "                          wird durchgeschrieben; die Eingabedatei und schreibgeschützte\n"
    "                          Dateien werden abgelehnt\n"
    "  --format text|xlsx      getrennter Text (Vorgabe) oder eine Arbeitsmappe (braucht -o)\n"
    "  --language de|en        die Kopfzeile deutsch (Vorgabe) oder englisch\n"
    "  --separator SEP         comma, semicolon (Vorgabe), tab oder ein Text in #-Schreibweise (#124)\n"
    "  --enclose Q             none (Vorgabe), single, double oder ein Text in #-Schreibweise\n"
    "  --line-break L          crlf (Vorgabe), lf oder ein Text in #-Schreibweise\n"
    "  --columns LISTE         Überschriften oder Nummern 1-39, durch Kommas getrennt (Vorgabe: alle)\n"
    "  --no-rowcount           die Spalte der Zeilennummern weglassen\n"
    "  --keep-formulas         Zellen, die wie eine Formel beginnen (=, +A, -A, @A), unverändert\n"
    "                          schreiben; sonst bekommen sie ein Apostroph davor, damit eine\n"
    "                          Tabellenkalkulation sie als Text zeigt\n"
    "  --sort LISTE            nach bis zu fünf Spalten sortieren, die erste entscheidet (wie\n"
    "                          Umschalt+Klicks auf die Überschriften, von der letzten zur ersten)\n"
    "  --descending            absteigend sortieren\n"
    "  --dates western|sortable  21.01.1687 (Vorgabe) oder 16870121\n"
    "  --encoding E            windows-1252 (Vorgabe; andere Buchstaben umschrieben),\n"
    "                          utf-8 oder utf-8-bom (UTF-8 mit Byte-Order-Mark)\n"
    "  -q, --quiet             kein Fortschritt und keine Anzahl in der Standardfehlerausgabe\n"
    "  -h, --help              diesen Text zeigen\n"
    "  --version               die Version zeigen\n"
    "\n"
    "Rückgabewert: 0 fertig, 1 eine Datei war nicht zu lesen oder zu schreiben, 2 eine falsche Option.\n";

}  // namespace

std::string helpText(bool english) {
  std::string locale = os::environment("LC_ALL");
  if (locale.empty()) locale = os::environment("LC_MESSAGES");
  if (locale.empty()) locale = os::environment("LANG");
  if (english || locale.substr(0, 2) != "de") return usageText();
  // The user's German language file may word it otherwise; it is only read.
  TNLS german;
  german.SetLanguage(49);
  german.setReadOnly(true);
  return german.GetNLSText("ConvertHelp", "Usage", kGermanUsage);
}

}  // namespace rowsmith::cli
