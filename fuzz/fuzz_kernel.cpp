// Character-code notation, dates and the line decoders on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kernel/charsets.h"
#include "kernel/textcodec.h"
#include "kernel/dates.h"
#include "kernel/strreplace.h"
#include "kernel/charcodes.h"

using namespace rowsmith;

static void check(bool ok) {
  if (!ok) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);

  const DecodedCharCodes decoded = decodeCharCodes(text);
  // A successful decoding consumes every "#".
  if (decoded.ok()) check(decoded.bytes.find('#') == std::string::npos);

  std::string sortDate = GedComDateToSortDate(text);
  (void)DateForDisplay(sortDate, true);
  (void)SortDateToDisplay(text);

  // Whatever the bytes, every line decoder gives well-formed UTF-8 without
  // NUL, and Windows-1252 text goes out as the bytes it came from.
  for (const std::string& line : {decodeUtf8Line(text), decodeAnselLine(text), decodeUtf16Line(text, false, false),
                                  decodeUtf16Line(text, true, true)}) {
    check(isWellFormedUtf8(line) && line.find('\0') == std::string::npos);
    check(encodeWindows1252(line).find('\0') == std::string::npos);
  }
  const std::string ansi = decodeWindows1252(text);
  check(isWellFormedUtf8(ansi) && encodeWindows1252(ansi) == text);

  // Split the input into pattern | replacement | source.
  size_t a = text.find('\x01');
  size_t b = a == std::string::npos ? a : text.find('\x01', a + 1);
  // Rewrites that grow the text may never settle; no caller makes them.
  if (b != std::string::npos && b - a - 1 < a) {
    std::string pattern = text.substr(0, a), replacement = text.substr(a + 1, b - a - 1);
    std::string source = text.substr(b + 1);
    std::string result = StrReplace(pattern, replacement, source, true);
    // Without the pattern in the replacement, the restarting search leaves none behind.
    if (!pattern.empty() && replacement.find(pattern) == std::string::npos)
      check(result.find(pattern) == std::string::npos);
    (void)StrReplace(pattern, replacement, source, false);
  }
  return 0;
}
