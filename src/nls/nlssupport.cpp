#include "nls/nlssupport.h"

#include "kernel/ansitext.h"
#include "kernel/folders.h"
#include "kernel/strreplace.h"
#include "nls/inifile.h"

namespace rowsmith {

namespace {

// The tail taken from the default gives back what the reader dropped (trailing
// blanks) or cut (beyond the read limit).
constexpr size_t kMaxSuffix = 255;

std::string encodeLineBreaks(std::string_view text) {
  std::string encoded = StrReplace("\n", "<#10>", text, true);
  return StrReplace("\r", "<#13>", encoded, true);
}

std::string decodeLineBreaks(std::string_view text) {
  std::string decoded = StrReplace("<#10>", "\n", text, true);
  return StrReplace("<#13>", "\r", decoded, true);
}

}  // namespace

std::string TrimToLetter(std::string_view text) {
  while (!text.empty()) {
    char upper = ansiUpperChar(text.back());
    if (upper >= 'A' && upper <= 'Z') break;
    text.remove_suffix(1);
  }
  return std::string(text);
}

std::string TNLS::languageFolder() const { return folder_.empty() ? NLSPath() : folder_; }

std::string TNLS::languageFileName() const {
  return languageFolder() + "NLS." + std::to_string(LanguageID);
}

std::string TNLS::GetNLSText(std::string_view section, std::string_view key,
                             std::string_view defaultText) const {
  std::string trimmedKey = TrimToLetter(key);
  if (trimView(section).empty() || trimView(trimmedKey).empty()) return std::string(defaultText);
  if (defaultText.empty()) return {};

  std::string value;
  try {
    TIniFile file(languageFileName());
    value = file.ReadString(section, trimmedKey, {});
    if (value.empty()) {
      value = encodeLineBreaks(defaultText);
      file.WriteString(section, trimmedKey, value);
    }
  } catch (const std::exception&) {
    // A language file that cannot be read or written leaves the default.
    if (value.empty()) value = encodeLineBreaks(defaultText);
  }

  std::string_view suffix;
  if (!value.empty() && defaultText.substr(0, value.size()) == value) {
    suffix = defaultText.substr(value.size(), kMaxSuffix);
  }
  std::string text = decodeLineBreaks(value);
  text += suffix;
  return text;
}

TNLS& NLS() {
  static TNLS instance;
  return instance;
}

}  // namespace rowsmith
