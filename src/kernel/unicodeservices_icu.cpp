#include "kernel/unicodeservices.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <memory>

#include "kernel/cp1252.h"
#include "kernel/textcodec.h"

namespace rowsmith {

namespace {

// Creating a transliterator or a break iterator is slow, so each thread
// keeps one of each.
icu::Transliterator* latinTransliterator() {
  thread_local std::unique_ptr<icu::Transliterator> cached = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    return U_SUCCESS(status) ? std::move(t) : nullptr;
  }();
  return cached.get();
}

// The iterator keeps a reference to the text it walks, so the text lives
// beside it.
struct ClusterWalk {
  std::unique_ptr<icu::BreakIterator> iterator;
  icu::UnicodeString text;
};

ClusterWalk& clusterWalk() {
  thread_local ClusterWalk walk = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    return ClusterWalk{U_SUCCESS(status) ? std::move(it) : nullptr, {}};
  }();
  return walk;
}

// Characters without a code-page byte, transliterated together so that
// words keep their shape ("中文" -> "zhong wen").
void appendTransliterated(std::string& out, icu::UnicodeString& run) {
  if (run.isEmpty()) return;
  if (icu::Transliterator* t = latinTransliterator()) t->transliterate(run);
  for (int32_t i = 0; i < run.length();) {
    const UChar32 code = run.char32At(i);
    i += U16_LENGTH(code);
    const int byte = windows1252Byte(static_cast<char32_t>(code));
    out += byte >= 0 ? static_cast<char>(byte) : '?';
  }
  run.remove();
}

}  // namespace

// Marks and joiners that belong to the character before them.
bool extendsCluster(char32_t code) {
  if (code < 0x300) return false;
  const auto kind = u_getIntPropertyValue(static_cast<UChar32>(code), UCHAR_GRAPHEME_CLUSTER_BREAK);
  return kind == U_GCB_EXTEND || kind == U_GCB_SPACING_MARK || kind == U_GCB_ZWJ;
}

// A stretch of text that needs the cluster rules: it holds characters
// outside the code page or marks.
void encodeStretch(std::string& out, std::string_view utf8) {
  ClusterWalk& walk = clusterWalk();
  const icu::UnicodeString& text = walk.text =
      icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  icu::UnicodeString run;
  icu::BreakIterator* it = walk.iterator.get();
  if (!it) {
    run = text;
    appendTransliterated(out, run);
    return;
  }
  it->setText(text);
  for (int32_t start = it->first(), end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next()) {
    const UChar32 first = text.char32At(start);
    const int byte = windows1252Byte(static_cast<char32_t>(first));
    if (byte >= 0 && start + U16_LENGTH(first) == end) {
      appendTransliterated(out, run);
      out += static_cast<char>(byte);
    } else {
      run.append(text, start, end - start);
    }
  }
  appendTransliterated(out, run);
}


std::string toNfc(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(utf8);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  const icu::StringPiece piece(utf8.data(), static_cast<int32_t>(utf8.size()));
  if (U_FAILURE(status) || nfc->isNormalizedUTF8(piece, status)) return std::string(utf8);
  status = U_ZERO_ERROR;
  std::string out;
  icu::StringByteSink<std::string> sink(&out, static_cast<int32_t>(utf8.size()));
  nfc->normalizeUTF8(0, piece, sink, nullptr, status);
  return U_SUCCESS(status) ? out : std::string(utf8);
}

char32_t upperChar(char32_t code) {
  if (code < 0x80) return code >= 'a' && code <= 'z' ? code - 0x20 : code;
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(code)));
}

bool codePageCharacters(const char* icuName, unsigned, char32_t (&high)[128]) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open(icuName, &status);
  if (U_FAILURE(status) || converter == nullptr) return false;
  // Unassigned bytes give nothing rather than a substitute character.
  ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &status);
  for (int b = 0x80; b < 0x100; ++b) {
    const char byte = static_cast<char>(b);
    UChar units[4];
    status = U_ZERO_ERROR;
    ucnv_reset(converter);
    const int32_t n = ucnv_toUChars(converter, units, 4, &byte, 1, &status);
    char32_t code = 0;
    if (U_SUCCESS(status) && n == 1 && !U16_IS_SURROGATE(units[0])) code = units[0];
    else if (U_SUCCESS(status) && n == 2 && U16_IS_LEAD(units[0]) && U16_IS_TRAIL(units[1]))
      code = U16_GET_SUPPLEMENTARY(units[0], units[1]);
    high[b - 0x80] = code;
  }
  ucnv_close(converter);
  return true;
}

}  // namespace rowsmith
