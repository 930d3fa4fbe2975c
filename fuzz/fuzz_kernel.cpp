// Character-code notation, dates and the line decoders on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kernel/charsets.h"
#include "kernel/textcodec.h"
#include "kernel/datecells.h"
#include "kernel/dates.h"
#include "kernel/utf8text.h"
#include "kernel/names.h"
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

  // A date is the text as it came (letters), trimmed (no plain date) or a
  // prefix followed by digits only; a kept one shows as itself.
  std::string sortDate = GedComDateToSortDate(text);
  const std::string shown = SortDateToDisplay(sortDate);
  if (sortDate != text && sortDate != trimView(text)) {
    const size_t firstDigit = sortDate.find_first_of("0123456789");
    check(firstDigit == std::string::npos ||
          sortDate.find_first_not_of("0123456789", firstDigit) == std::string::npos);
  } else if (sortDate.find_first_of("0123456789") != std::string::npos && sortDate == trimView(text) &&
             sortDate.find_first_not_of("0123456789. ", sortDate.find_first_of("0123456789")) != std::string::npos) {
    check(shown == sortDate);
  }
  // The fast paths of the stored and the shown form agree with the general ones.
  std::string stored, western;
  appendSortDate(stored, text);
  check(stored == trimView(sortDate));
  if (stored.find(kDatePartBreak) == std::string::npos) {
    appendShownDate(western, stored, DateForm::Western);
    check(western == SortDateToDisplay(stored));
  }
  (void)monthNumber(text.substr(0, 3));
  const SplitName names = SplitGedComName(surnameWithPrefix(text.substr(0, size / 3), text.substr(size / 3)), "", text);
  check(names.surname.size() <= 2 * size + 2 && names.given.size() <= size + 2);

  // Every code page gives well-formed UTF-8 without NUL for any bytes, and
  // any CHAR value is safe to look up.
  for (const char* name : {"IBMPC", "CP850", "MACINTOSH", "ISO-8859-5", "ISO-8859-11", "WINDOWS-1255", "WINDOWS-1258"}) {
    if (const CodePage* page = codePageNamed(name)) {
      const std::string line = decodeCodePageLine(text, *page);
      check(isWellFormedUtf8(line) && line.find('\0') == std::string::npos);
    }
  }
  (void)codePageNamed(text);

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
