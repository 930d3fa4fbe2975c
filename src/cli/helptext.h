#pragma once
// The converter's help in the user's language: German, from the language
// texts, when the locale is German and --language en was not given; the
// English usage text otherwise.
#include <string>

namespace rowsmith::cli {

std::string helpText(bool english);

}  // namespace rowsmith::cli
