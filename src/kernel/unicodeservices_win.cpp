// The Unicode services from Windows' own functions, for builds without ICU.
// Normalisation and case are the system's; there is no transliteration, so
// a letter outside the code page loses its marks (Ł stays '?', ó stays ó,
// ą becomes a) and other scripts become '?'.
#include "kernel/unicodeservices.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

#include "kernel/cp1252.h"
#include "kernel/markclusters.h"
#include "kernel/textcodec.h"

namespace rowsmith {

namespace {

std::wstring toWide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring normalized(NORM_FORM form, const std::wstring& text) {
  if (text.empty()) return text;
  int n = NormalizeString(form, text.data(), static_cast<int>(text.size()), nullptr, 0);
  for (int attempt = 0; attempt < 4 && n > 0; ++attempt) {
    std::wstring out(static_cast<size_t>(n), L'\0');
    n = NormalizeString(form, text.data(), static_cast<int>(text.size()), out.data(), n);
    if (n > 0) {
      out.resize(static_cast<size_t>(n));
      return out;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    n = -n;
  }
  return text;
}

// One cluster without a code-page byte of its own: its decomposition with
// the marks dropped, where what is left has bytes.
void appendFolded(std::string& out, std::string_view cluster) {
  const std::wstring parts = normalized(NormalizationD, toWide(cluster));
  std::string folded;
  for (size_t i = 0; i < parts.size(); ++i) {
    char32_t code = parts[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < parts.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (parts[i + 1] - 0xDC00);
      ++i;
    }
    if (extendsCluster(code)) continue;
    const int byte = windows1252Byte(code);
    folded += byte >= 0 ? static_cast<char>(byte) : '?';
  }
  out += folded.empty() ? std::string("?") : folded;
}

}  // namespace

bool extendsCluster(char32_t code) {
  if (code < 0x300) return false;
  if (code == 0x200D) return true;
  if (code > 0xFFFF) return false;
  const wchar_t unit = static_cast<wchar_t>(code);
  WORD type = 0;
  if (!GetStringTypeW(CT_CTYPE3, &unit, 1, &type)) return false;
  // Not C3_DIACRITIC: Windows sets it on composed letters such as Ṕ too.
  return (type & (C3_NONSPACING | C3_VOWELMARK)) != 0;
}

void encodeStretch(std::string& out, std::string_view utf8) { encodeClusters(out, utf8, appendFolded); }

bool startsNfcSegment(char32_t code) { return startsNfcSegmentAtMark(code); }

void appendNfc(std::string& out, std::string_view utf8) { out += toUtf8(normalized(NormalizationC, toWide(utf8))); }

char32_t upperChar(char32_t code) {
  if (code < 0x80) return code >= 'a' && code <= 'z' ? code - 0x20 : code;
  if (code > 0xFFFF) return code;
  wchar_t unit = static_cast<wchar_t>(code);
  CharUpperBuffW(&unit, 1);
  return unit;
}

bool codePageCharacters(const char*, unsigned windowsNumber, char32_t (&high)[128]) {
  CPINFO info;
  if (!GetCPInfo(windowsNumber, &info)) return false;
  for (int b = 0x80; b < 0x100; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t units[4];
    // Unassigned bytes fail rather than giving a default character.
    const int n = MultiByteToWideChar(windowsNumber, MB_ERR_INVALID_CHARS, &byte, 1, units, 4);
    char32_t code = 0;
    if (n == 1 && (units[0] < 0xD800 || units[0] > 0xDFFF)) code = units[0];
    high[b - 0x80] = code;
  }
  return true;
}

}  // namespace rowsmith
