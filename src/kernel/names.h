#pragma once
// Completes surname and given names from a GEDCOM NAME value.
#include <string>
#include <string_view>

namespace rowsmith {

struct SplitName {
  std::string surname;
  std::string given;
};

SplitName SplitGedComName(std::string_view surname, std::string_view given,
                          std::string_view nameValue);

// A SURN with its SPFX in front ("van" + "Beethoven" gives "van Beethoven"),
// unless the SURN already begins with it.
std::string surnameWithPrefix(std::string_view prefix, std::string_view surname);

}  // namespace rowsmith
