#pragma once
// Language texts: NLSPath + "NLS." + language ID, sections and keys with
// German defaults; a missing key is written with its default, so the file
// fills itself with every text the program has asked for.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/gedcominput.h"
#include "kernel/stringtable.h"
#include "os/osfile.h"

namespace rowsmith {

// Removes trailing characters until the last one is a letter A..Z after
// upper-casing ("Button1" -> "Button", "1" -> "").
std::string TrimToLetter(std::string_view text);

class TNLS {
 public:
  // Only selects the file; nothing is opened.
  void SetLanguage(int32_t languageId) { LanguageID = languageId; }
  int32_t language() const { return LanguageID; }

  // The text of key (trimmed to a letter) in section of the language file.
  // Blank section or key: the default, file untouched. Empty default: empty,
  // file untouched. Missing or empty value: the default, which is also
  // written to the file with line breaks as "<#13>"/"<#10>". A value that
  // begins the default gets the rest of the default appended. File errors
  // are swallowed.
  std::string GetNLSText(std::string_view section, std::string_view key,
                         std::string_view defaultText) const;

  // The folder of the language files, ending with "/"; NLSPath() unless set.
  std::string languageFolder() const;
  void setLanguageFolder(std::string folder) { folder_ = std::move(folder); }
  // A reader that only looks (the converter) leaves the file as it is.
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
  std::string languageFileName() const;

  int32_t LanguageID = -1;

 private:
  std::string folder_;
  bool readOnly_ = false;
};

// The process-wide language object.
TNLS& NLS();

// The language at start-up. DEFAULTS.INI names it when its "Main" key is set
// (then "ID", -1 when missing). Otherwise the system's locale decides
// ("de_DE" and the like): German for German, else English when its language
// file is there, else German.
int32_t startLanguage(std::string_view main, int32_t id, std::string_view localeName, bool englishAvailable);

// A language text with its first "%s" replaced by a file name, which is
// inserted as it is even when it holds a "%s" itself.
std::string replacePlaceholder(std::string text, std::string_view fileName);

// Why a file could not be read or written, in the active language, looked
// up by its kind in section "Causes"; a kind without words of its own keeps
// the system's description.
std::string causeText(const os::Error& error);
// The key of section "Causes" for an error; empty where there is none.
std::string_view causeKey(const os::Error& error);
std::string causeText(const ReadFailure& failure);

// The sex cells of a result table ("M", "W") in the language of nls.
void localizeSexCells(StringTable& table, const TNLS& nls);

// The 39 column headers in the language of nls (German defaults).
std::vector<std::string> translatedResultHeaders(const TNLS& nls);

// Language files the program ships (share/rowsmith/NLS beside an installed
// program's bin/) are copied into the user's language folder when missing
// there, so an installed program finds them like its own.
void copyShippedLanguageFiles(const std::string& languageFolder);
// The folder the shipped language files are found in, ending with "/";
// empty when there is none.
std::string shippedLanguageFolder();

}  // namespace rowsmith
