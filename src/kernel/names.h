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

}  // namespace rowsmith
