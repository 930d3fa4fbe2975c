#pragma once
// Replacing a file whole: the bytes go to a temporary file beside the target,
// are flushed to disk and renamed over the target, so a crash, a full disk or
// a failed write leaves the previous file as it was and no partial file.
#include <string>
#include <string_view>

namespace rowsmith {

// path is a file name in the platform's own encoding. On failure returns
// false and, when error is given, the system's description of the cause.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

}  // namespace rowsmith
