#pragma once
// For the Unicode services built without ICU (Windows, the browser), which
// lack its cluster and normalisation rules: a cluster is a character and the
// marks after it, as extendsCluster tells them.
#include <string>
#include <string_view>

#include "kernel/cp1252.h"
#include "kernel/textcodec.h"
#include "kernel/unicodeservices.h"

namespace rowsmith {

// encodeStretch, with appendFolded(out, cluster) writing every cluster that
// is not a lone character with a byte of its own.
template <class AppendFolded>
void encodeClusters(std::string& out, std::string_view utf8, AppendFolded appendFolded) {
  for (size_t i = 0; i < utf8.size();) {
    char32_t code = 0;
    size_t end = i + nextCharacter(utf8, i, code);
    const int byte = windows1252Byte(code);
    size_t next = end;
    char32_t mark = 0;
    while (next < utf8.size()) {
      const size_t length = nextCharacter(utf8, next, mark);
      if (!extendsCluster(mark)) break;
      next += length;
    }
    if (byte >= 0 && next == end) out += static_cast<char>(byte);
    else appendFolded(out, utf8.substr(i, next - i));
    i = next;
  }
}

// startsNfcSegment by marks alone.
inline bool startsNfcSegmentAtMark(char32_t code) {
  // Hangul vowels and finals compose with the syllable before them.
  const bool hangulJamo = (code >= 0x1160 && code <= 0x11FF) || (code >= 0xD7B0 && code <= 0xD7FF);
  return code < 0x300 || (!extendsCluster(code) && !hangulJamo);
}

}  // namespace rowsmith
