#pragma once
// This emscripten's libc++ has std::from_chars for integers only. The sort
// engine reads numbers it has already checked for form, so strtold in the
// "C" locale (the only one a module has) gives the same values.
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>

namespace std {
inline from_chars_result from_chars(const char* first, const char* last, long double& value) {
  const string text(first, last);
  char* end = nullptr;
  errno = 0;
  const long double read = strtold(text.c_str(), &end);
  from_chars_result result{first + (end - text.c_str()), errc()};
  if (end == text.c_str()) result = {first, errc::invalid_argument};
  else if (errno == ERANGE) result.ec = errc::result_out_of_range;
  else value = read;
  return result;
}
}  // namespace std
