#include "kernel/textcodec.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>

#include "kernel/cp1252.h"

namespace rowsmith {

namespace {

unsigned char ub(char c) { return static_cast<unsigned char>(c); }

bool hasNulOrHighByte(std::string_view text) {
  for (char c : text)
    if (c == '\0' || (ub(c) & 0x80)) return true;
  return false;
}

// Marks and joiners that belong to the character before them.
bool extendsCluster(char32_t code) {
  if (code < 0x300) return false;
  const auto kind = u_getIntPropertyValue(static_cast<UChar32>(code), UCHAR_GRAPHEME_CLUSTER_BREAK);
  return kind == U_GCB_EXTEND || kind == U_GCB_SPACING_MARK || kind == U_GCB_ZWJ;
}

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

void appendDecodedMixed(std::string& out, std::string_view bytes, bool& invalid) {
  for (size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const size_t length = utf8SequenceAt(bytes, i, code);
    if (length == 0) {
      invalid = true;
      code = cp1252ToUnicode(ub(bytes[i]));
    }
    i += length == 0 ? 1 : length;
    if (code != 0) appendUtf8(out, code);
  }
}

}  // namespace

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

size_t utf8SequenceAt(std::string_view text, size_t i, char32_t& code) {
  const unsigned char lead = ub(text[i]);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length;
  char32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = ub(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

size_t nextCharacter(std::string_view text, size_t i, char32_t& code) {
  const size_t length = utf8SequenceAt(text, i, code);
  if (length > 0) return length;
  code = cp1252ToUnicode(ub(text[i]));
  return 1;
}

bool isWellFormedUtf8(std::string_view text) {
  char32_t code;
  for (size_t i = 0; i < text.size();) {
    const size_t length = utf8SequenceAt(text, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool hasUtf8MultiByte(std::string_view text) {
  char32_t code;
  for (size_t i = 0; i < text.size(); ++i) {
    if (ub(text[i]) >= 0xC2 && utf8SequenceAt(text, i, code) > 1) return true;
  }
  return false;
}

std::string toNfc(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii &= ub(c) < 0x80;
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

std::string decodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) appendUtf8(out, cp1252ToUnicode(ub(c)));
  return out;
}

std::string wellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const size_t length = nextCharacter(bytes, i, code);
    if (length > 1 || static_cast<unsigned char>(bytes[i]) < 0x80) {
      out.append(bytes.substr(i, length));
    } else {
      appendUtf8(out, code);
    }
    i += length;
  }
  return out;
}

std::string decodeUtf8Line(std::string_view bytes) {
  if (!hasNulOrHighByte(bytes)) return std::string(bytes);
  std::string once;
  once.reserve(bytes.size());
  bool invalid = false;
  appendDecodedMixed(once, bytes, invalid);
  std::string back;
  if (!invalid && utf8ToWindows1252Exact(once, back) && hasUtf8MultiByte(back) && isWellFormedUtf8(back))
    once = std::move(back);
  return toNfc(once);
}

std::string decodeUtf16Line(std::string_view bytes, bool bigEndian, bool startsOdd) {
  if (startsOdd && !bytes.empty()) bytes.remove_prefix(1);
  std::string out;
  out.reserve(bytes.size());
  auto unitAt = [&](size_t i) -> char16_t {
    const unsigned char a = ub(bytes[i]);
    const unsigned char b = ub(bytes[i + 1]);
    return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  const size_t whole = bytes.size() & ~size_t{1};
  for (size_t i = 0; i < whole; i += 2) {
    char32_t code = unitAt(i);
    if (code >= 0xD800 && code <= 0xDBFF && i + 2 < whole) {
      const char16_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
    if (code != 0) appendUtf8(out, code);
  }
  // The half of a line end is 0; anything else is the stray end of a file
  // with an odd number of bytes.
  if (whole < bytes.size() && bytes.back() != '\0') appendUtf8(out, 0xFFFD);
  return toNfc(out);
}

bool utf8ToWindows1252Exact(std::string_view utf8, std::string& bytes) {
  bytes.clear();
  bytes.reserve(utf8.size());
  char32_t code;
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = utf8SequenceAt(utf8, i, code);
    const int byte = length == 0 ? -1 : windows1252Byte(code);
    if (byte < 0) return false;
    bytes += static_cast<char>(byte);
    i += length;
  }
  return true;
}

std::string encodeWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  char32_t code = 0;
  char32_t next = 0;
  for (size_t i = 0; i < utf8.size();) {
    if (ub(utf8[i]) < 0x80 && (i + 1 == utf8.size() || ub(utf8[i + 1]) < 0x80)) {
      out += utf8[i++];
      continue;
    }
    size_t length = nextCharacter(utf8, i, code);
    auto followedByMark = [&](size_t at) {
      return at < utf8.size() && (nextCharacter(utf8, at, next), extendsCluster(next));
    };
    int byte = windows1252Byte(code);
    if (byte >= 0 && !followedByMark(i + length)) {
      out += static_cast<char>(byte);
      i += length;
      continue;
    }
    // Gather up to the next character that stands alone in the code page.
    size_t end = i + length;
    while (end < utf8.size()) {
      length = nextCharacter(utf8, end, code);
      byte = windows1252Byte(code);
      if (byte >= 0 && !extendsCluster(code) && !followedByMark(end + length)) break;
      end += length;
    }
    encodeStretch(out, utf8.substr(i, end - i));
    i = end;
  }
  return out;
}

char32_t upperChar(char32_t code) {
  if (code < 0x80) return code >= 'a' && code <= 'z' ? code - 0x20 : code;
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(code)));
}

}  // namespace rowsmith
