// The INI reader and writer and the language-text lookup on arbitrary file
// content: lookups answer within their limits, a written value reads back,
// and a write keeps every other line of the file and leaves no stray file.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/utf8text.h"
#include "kernel/textcodec.h"
#include "nls/inifile.h"
#include "nls/nlssupport.h"

using namespace rowsmith;
namespace fs = std::filesystem;

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

const std::string& folder() {
  static const std::string dir = [] {
    std::error_code ec;
    fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "rowsmith-fuzz-ini-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/";
  }();
  return dir;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's lines as the reader takes them, in UTF-8: after a UTF-8 mark
// the bytes as they are, after a UTF-16 mark the decoded text, else UTF-8
// when well-formed and Windows-1252 when not (a write may turn such a file
// into UTF-8, so before and after must be read alike). Lines end at LF, or
// at CR in a file without LF. A rewrite may drop CRs at the end of a line (a
// stray one before the CR LF), so they do not count.
std::vector<std::string> linesOf(std::string_view bytes) {
  std::string content;
  if (bytes.starts_with("\xEF\xBB\xBF"))
    content = bytes.substr(3);
  else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
    content = decodeUtf16Line(bytes.substr(2), bytes[0] == '\xFE', false);
  else
    content = isWellFormedUtf8(bytes) ? std::string(bytes) : decodeWindows1252(bytes);
  const char lineEnd = content.find('\n') == std::string::npos ? '\r' : '\n';
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find(lineEnd, start);
    if (end == std::string::npos) end = content.size();
    size_t stop = end;
    while (stop > start && content[stop - 1] == '\r') --stop;
    lines.emplace_back(content, start, stop - start);
    start = end + 1;
  }
  return lines;
}

// How many of the old lines a write changed: a write replaces one line or
// inserts lines at one place, so all but that spot is a common beginning and
// a common end.
size_t linesLost(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  return before.size() - head - tail;
}

bool onlyFile(const std::string& name) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder()))
    if (entry.path().filename() != name) return false;
  return true;
}

std::string_view trimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// What reading gives back for a written value: line breaks became blanks,
// blanks around and one pair of quotes go, at most 2047 characters stay.
std::string expectedReadBack(std::string_view value) {
  std::string text(value);
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  std::string_view v = trimBlanks(text);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v.substr(0, kMaxIniValue));
}

// Names that a line of the file can carry: no line break, "=" or "]", not
// blank, and a key must not read as a section header.
bool usableName(std::string_view name, bool key) {
  if (trimBlanks(name).empty()) return false;
  if (name.find_first_of(key ? "\r\n=" : "\r\n]") != std::string_view::npos) return false;
  return !(key && trimBlanks(name).front() == '[');
}

}  // namespace

// Input: file content, then section, key and value separated by byte 0x01.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    size_t end = input.find('\x01', start);
    parts.push_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos || parts.size() == 4) break;
    start = end + 1;
  }
  parts.resize(4);
  const std::string_view content = parts[0], section = parts[1], key = parts[2], value = parts[3];

  // Reading any content.
  const std::string iniName = "test.ini";
  const std::string ini = folder() + iniName;
  writeAll(ini, content);
  {
    TIniFile file(ini);
    std::string text = file.ReadString(section, key, "default");
    check(text.size() <= std::max<size_t>(kMaxIniValue, 7), "a value is read to its limit");
    (void)file.ReadInteger(section, key, -1);
    const bool b = file.ReadBool(section, key, true);
    // A value that is not a number keeps the default.
    if (!toInt32(text)) check(b, "a non-numeric boolean gives the default");
  }

  // Writing a value keeps the other lines and reads back.
  if (usableName(section, false) && usableName(key, true)) {
    TIniFile file(ini);
    check(file.WriteString(section, key, value), "the write succeeds");
    check(onlyFile(iniName), "no temporary file is left");
    const std::string after = readAll(ini);
    check(linesLost(linesOf(content), linesOf(after)) <= 1, "a write keeps the other lines");
    TIniFile fresh(ini);
    // Names are the program's own; a value's stray bytes become characters.
    if (isWellFormedUtf8(section) && isWellFormedUtf8(key))
      check(fresh.ReadString(section, key, "\x02") == expectedReadBack(wellFormedUtf8(value)),
            "a written value reads back");
  }

  // The language-text lookup on the same content.
  const std::string nlsName = "NLS.49";
  writeAll(folder() + nlsName, content);
  fs::remove(ini);
  TNLS nls;
  nls.setLanguageFolder(folder());
  nls.SetLanguage(49);
  std::string text = nls.GetNLSText(section, key, value);
  check(onlyFile(nlsName), "no temporary file is left");
  if (!value.empty()) check(!text.empty(), "a lookup with a default is never empty");
  // A stored value is read to its limit and completed from the default; a
  // missing one gives the default (decoded, so never longer).
  check(text.size() <= std::max(value.size(), kMaxIniValue + 255), "a file value is read to its limit");
  // A key that was missing now holds the default; the next lookup agrees
  // when the default is an ordinary text.
  const std::string again = nls.GetNLSText(section, key, value);
  const bool ordinary = !value.empty() && value == trimBlanks(value) && value.find("<#1") == std::string_view::npos &&
                        value.front() != '"' && value.front() != '\'' && value.size() <= kMaxIniValue &&
                        value.find_first_of("\r\n") == std::string_view::npos && isWellFormedUtf8(value) &&
                        isWellFormedUtf8(section) && isWellFormedUtf8(key);
  if (ordinary && text == value) check(again == value, "a stored default reads back");
  // A name with a line break (never one of the program's) would give a
  // file without LF one, and with it other line ends.
  const std::vector<std::string> before = linesOf(content);
  if (section.find_first_of("\r\n") == std::string_view::npos && key.find_first_of("\r\n") == std::string_view::npos)
    check(linesLost(before, linesOf(readAll(folder() + nlsName))) <= 1, "a lookup keeps the other lines");
  fs::remove(folder() + nlsName);
  return 0;
}
