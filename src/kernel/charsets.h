#pragma once
// The three line conversions of the GEDCOM reading. Each returns whether the
// line changed.
#include <string>

namespace rowsmith {

bool Utf8ToAnsi(std::string& line);
bool RemoveNulChars(std::string& line);
bool AnselToAnsi(std::string& line);

}  // namespace rowsmith
