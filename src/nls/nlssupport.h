#pragma once
// Language texts: NLSPath + "NLS." + language ID, sections and keys with
// German defaults; a missing key is written with its default.
#include <cstdint>
#include <string>
#include <string_view>

namespace rowsmith {

class TNLS {
 public:
  void SetLanguage(int32_t languageId);
  int32_t language() const { return language_; }
  // Looks the text up; "<#10>" and "<#13>" decode to LF and CR.
  std::string GetNLSText(std::string_view section, std::string_view key,
                         std::string_view defaultText);

 private:
  int32_t language_ = 49;
};

// The process-wide language object.
TNLS& NLS();

}  // namespace rowsmith
