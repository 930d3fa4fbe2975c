#include "kernel/unicodeservices.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <vector>

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
  std::vector<int32_t> clusterStarts;  // of the run being gathered, reused
};

ClusterWalk& clusterWalk() {
  thread_local ClusterWalk walk = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    return ClusterWalk{U_SUCCESS(status) ? std::move(it) : nullptr, {}, {}};
  }();
  return walk;
}

// Each character of transliterated text as its code-page byte, or '?'.
void appendLatin(std::string& out, const icu::UnicodeString& latin) {
  for (int32_t i = 0; i < latin.length();) {
    const UChar32 code = latin.char32At(i);
    i += U16_LENGTH(code);
    const int byte = windows1252Byte(static_cast<char32_t>(code));
    out += byte >= 0 ? static_cast<char>(byte) : '?';
  }
}

// The transliterator rewrites its text in place, at a cost of the square of
// the text's length: a long run goes in pieces of about kPieceUnits, cut
// where a cluster begins (or inside a cluster longer than a piece), each
// with kContextUnits of its neighbours as context so that rules which look
// beyond a piece's edge still see them.
constexpr int32_t kPieceUnits = 128;
constexpr int32_t kContextUnits = 16;

// Characters without a code-page byte, transliterated together so that
// words keep their shape ("中文" -> "zhong wen"). clusterStarts holds where
// the run's clusters begin, in order.
void appendTransliterated(std::string& out, icu::UnicodeString& run, std::vector<int32_t>& clusterStarts) {
  if (run.isEmpty()) return;
  icu::Transliterator* t = latinTransliterator();
  if (!t || run.length() <= 2 * kPieceUnits) {
    if (t) t->transliterate(run);
    appendLatin(out, run);
  } else {
    size_t next = 0;
    for (int32_t start = 0; start < run.length();) {
      int32_t end = run.length();
      if (end - start > 2 * kPieceUnits) {
        while (next < clusterStarts.size() && clusterStarts[next] < start + kPieceUnits) ++next;
        end = next < clusterStarts.size() && clusterStarts[next] <= start + 2 * kPieceUnits ? clusterStarts[next]
                                                                                          : start + kPieceUnits;
        if (U16_IS_TRAIL(run.charAt(end))) ++end;  // never between the halves of a pair
      }
      // Inside a cluster cut apart, the marks go, as the transliterator
      // drops those that follow a letter it writes.
      int32_t begin = start;
      if (!std::binary_search(clusterStarts.begin(), clusterStarts.end(), start)) {
        while (begin < end && extendsCluster(static_cast<char32_t>(run.char32At(begin))))
          begin += U16_LENGTH(run.char32At(begin));
      }
      if (begin == end) {
        start = end;
        continue;
      }
      const int32_t from = std::max(0, begin - kContextUnits);
      const int32_t to = std::min(run.length(), end + kContextUnits);
      icu::UnicodeString window(run, from, to - from);
      UTransPosition position{0, window.length(), begin - from, end - from};
      t->finishTransliteration(window, position);
      appendLatin(out, window.tempSubStringBetween(begin - from, position.limit));
      start = end;
    }
  }
  run.remove();
  clusterStarts.clear();
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
  std::vector<int32_t>& clusterStarts = walk.clusterStarts;
  clusterStarts.clear();
  icu::BreakIterator* it = walk.iterator.get();
  if (!it) {
    run = text;
    appendTransliterated(out, run, clusterStarts);
    return;
  }
  it->setText(text);
  for (int32_t start = it->first(), end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next()) {
    const UChar32 first = text.char32At(start);
    const int byte = windows1252Byte(static_cast<char32_t>(first));
    if (byte >= 0 && start + U16_LENGTH(first) == end) {
      appendTransliterated(out, run, clusterStarts);
      out += static_cast<char>(byte);
    } else {
      clusterStarts.push_back(run.length());
      run.append(text, start, end - start);
    }
  }
  appendTransliterated(out, run, clusterStarts);
}

const icu::Normalizer2* nfcNormalizer() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  return U_SUCCESS(status) ? nfc : nullptr;
}

bool startsNfcSegment(char32_t code) {
  if (code < 0x300) return true;
  static const icu::Normalizer2* nfc = nfcNormalizer();
  return !nfc || nfc->hasBoundaryBefore(static_cast<UChar32>(code));
}

void appendNfc(std::string& out, std::string_view utf8) {
  static const icu::Normalizer2* nfc = nfcNormalizer();
  UErrorCode status = U_ZERO_ERROR;
  const size_t begin = out.size();
  if (nfc) {
    icu::StringByteSink<std::string> sink(&out, static_cast<int32_t>(utf8.size()));
    nfc->normalizeUTF8(0, icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), sink, nullptr, status);
  }
  if (!nfc || U_FAILURE(status)) {
    out.resize(begin);
    out.append(utf8);
  }
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
