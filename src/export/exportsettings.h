#pragma once
// The export options as DEFAULTS.INI keeps them in section "SaveToForm": one
// table of keys for reading and writing, and the mapping of the stored
// values to the options of the export text.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "export/exporttext.h"

namespace rowsmith {

class TIniFile;

inline constexpr char kExportSettingsSection[] = "SaveToForm";

// The groups of the export dialog, in the order it lays them out.
enum class ExportGroup { Separator, Enclose, LineBreak, SaveTo, Charset, Columns };

// One export option: how DEFAULTS.INI keeps it and how the export dialog
// shows it. A group's text field belongs to its last option.
struct ExportSettingKey {
  const char* key;
  bool text;                 // a free text; otherwise a boolean option
  const char* defaultValue;  // "1"/"0" for an option
  ExportGroup group;
  int place;                 // in its group, top to bottom
  const char* objectName;    // the dialog's control, which the language files name
  const char* caption;       // German caption of an option
};

// Every key in reading order: of a group's options stored as true, the last
// one read wins.
std::span<const ExportSettingKey> exportSettingKeys();
// The place of a key in exportSettingKeys(); -1 for an unknown key.
int exportSettingIndex(const char* key);

// Values in the order of exportSettingKeys(): "1"/"0" or the text.
using ExportSettingValues = std::vector<std::string>;

ExportSettingValues readExportSettings(const TIniFile& ini);
// Writes every value in one replacement of the file.
bool writeExportSettings(TIniFile& ini, const ExportSettingValues& values);

// The options a set of values selects; a group without a selected option
// contributes nothing. Where more than one is selected, the first of
// ASCII, CSV, TAB, free (and likewise in the other groups) counts.
ExportOptions exportOptionsFrom(const ExportSettingValues& values);
// Whether the value of key says true; false for an unknown key.
bool exportSettingSet(const ExportSettingValues& values, const char* key);
const std::string& exportSettingText(const ExportSettingValues& values, const char* key);

// The columns the user left unticked, by column key (older files: by header
// text), as the key "UncheckedColumns" holds them: separated by "|", which
// neither holds.
inline constexpr char kUncheckedColumnsKey[] = "UncheckedColumns";
std::vector<std::string> uncheckedColumnsFrom(std::string_view stored);
std::string uncheckedColumnsText(const std::vector<std::string>& headers);

}  // namespace rowsmith
