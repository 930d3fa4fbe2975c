#include "kernel/charcodes.h"

#include "kernel/utf8text.h"

namespace rowsmith {

DecodedCharCodes decodeCharCodes(std::string_view text) {
  DecodedCharCodes out;
  auto fail = [&out](CharCodeError error) {
    out.bytes.clear();
    out.error = error;
    return out;
  };
  out.bytes.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    const size_t hash = text.find('#', pos);
    if (hash == std::string_view::npos) break;
    out.bytes.append(text.substr(pos, hash - pos));
    size_t end = hash + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == hash + 1) return fail(CharCodeError::MissingNumber);
    const std::optional<int32_t> value = toInt32(text.substr(hash + 1, end - hash - 1));
    if (!value) return fail(CharCodeError::NotANumber);
    if (*value > 255) return fail(CharCodeError::NotAByte);
    // Decoding restarts at the leftmost "#": a decoded "#" is seen again,
    // and what follows it is never a digit (the digit run was maximal).
    if (*value == '#') return fail(CharCodeError::MissingNumber);
    out.bytes.push_back(static_cast<char>(*value));
    pos = end;
  }
  out.bytes.append(text.substr(pos));
  return out;
}

std::string_view charCodeErrorText(CharCodeError error) {
  switch (error) {
    case CharCodeError::None: break;
    case CharCodeError::MissingNumber: return "ERROR - # without number found!";
    case CharCodeError::NotANumber: return "ERROR - can not convert!";
    case CharCodeError::NotAByte: return "ERROR - number must be a byte!";
  }
  return {};
}

}  // namespace rowsmith
