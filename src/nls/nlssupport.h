#pragma once
// Language texts: NLSPath + "NLS." + language ID, sections and keys with
// German defaults; a missing key is written with its default, so the file
// fills itself with every text the program has asked for.
#include <cstdint>
#include <string>
#include <string_view>

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
  std::string languageFileName() const;

  int32_t LanguageID = -1;

 private:
  std::string folder_;
};

// The process-wide language object.
TNLS& NLS();

}  // namespace rowsmith
