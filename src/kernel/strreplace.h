#pragma once
// The replace-all routine that nearly all text handling builds on.
#include <string>
#include <string_view>

namespace rowsmith {

// Replaces every occurrence of pattern in source. Each search restarts at the
// beginning, so occurrences formed by a replacement are replaced too ("  " ->
// " " collapses runs). A replacement that contains the pattern (ignoring case
// when caseSensitive is false) replaces each original occurrence once, so it
// terminates. caseSensitive=false ignores the case of ASCII letters.
std::string StrReplace(std::string_view pattern, std::string_view replacement,
                       std::string_view source, bool caseSensitive);

}  // namespace rowsmith
