// Inputs built to hit the worst case of a step, at doubling sizes: the time
// should double with the size (n log n for the sort). Each series stops after
// a size that took longer than the budget.
//   worstcase_bench [marks|script|names|sort ...] [--budget SECONDS]
// marks:  one line of "a" and alternating U+0301 U+0316, read as UTF-8,
//         UTF-16 and ANSEL
// script: one text of Han, Hangul or Arabic letters written in Windows-1252
// names:  a table of distinct Cyrillic names written in Windows-1252
// sort:   rows whose keys rise and then fall, sorted by that key
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "benchtable.h"
#include "kernel/charsets.h"
#include "kernel/sortengine.h"
#include "kernel/stringtable.h"
#include "kernel/textcodec.h"

using namespace rowsmith;
using namespace rowsmith::bench;

namespace {

double budget = 20;

// Runs step(size) for size = first, 2 first, ... up to last, printing each
// time, until a step takes longer than the budget.
void series(const char* name, size_t first, size_t last, const std::function<void(size_t)>& step) {
  for (size_t size = first; size <= last; size *= 2) {
    const auto start = std::chrono::steady_clock::now();
    step(size);
    const double seconds = secondsSince(start);
    std::printf("%-28s %9zu  %8.3f s\n", name, size, seconds);
    std::fflush(stdout);
    if (seconds > budget) break;
  }
}

std::string repeated(std::string_view first, std::string_view unit, size_t bytes) {
  std::string text(first);
  while (text.size() + unit.size() <= bytes) text.append(unit);
  return text;
}

std::string utf16le(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    char32_t code = 0;
    i += nextCharacter(utf8, i, code);
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
  }
  return out;
}

size_t sink = 0;  // keeps the results alive

void marks() {
  // U+0301 (above) and U+0316 (below) sort apart, so a normaliser reorders them.
  series("marks utf-8 (bytes)", 16 << 10, 1 << 20, [](size_t bytes) {
    sink += decodeUtf8Line(repeated("a", "\xCC\x81\xCC\x96", bytes)).size();
  });
  series("marks utf-16 (bytes)", 16 << 10, 1 << 20, [](size_t bytes) {
    sink += decodeUtf16Line(utf16le(repeated("a", "\xCC\x81\xCC\x96", bytes)), false, false).size();
  });
  // ANSEL: acute (E2) and dot below (F2) before their letter.
  series("marks ansel (bytes)", 16 << 10, 1 << 20, [](size_t bytes) {
    sink += decodeAnselLine(repeated("", "\xE2\xF2", bytes) + "a").size();
  });
  series("marks export 1252 (bytes)", 16 << 10, 1 << 20, [](size_t bytes) {
    sink += encodeWindows1252(toNfc(repeated("a", "\xCC\x81\xCC\x96", bytes))).size();
  });
}

void script() {
  const std::pair<const char*, char32_t> scripts[] = {{"han", 0x4E00}, {"hangul", 0xAC00}, {"arabic", 0x0627}};
  for (const auto& [name, base] : scripts) {
    const std::string label = std::string("export 1252 ") + name + " (chars)";
    const char32_t span = base == 0x0627 ? 26 : 4000;
    series(label.c_str(), 25000, 800000, [base, span](size_t chars) {
      std::string text;
      for (size_t k = 0; k < chars; ++k) appendUtf8(text, base + static_cast<char32_t>((k * 7) % span));
      sink += encodeWindows1252(text).size();
    });
  }
}

// Distinct names, each its own stretch: the cost per name, not a square.
void names() {
  series("export 1252 cyrillic (names)", 125000, 1000000, [](size_t names) {
    static const char32_t kLetters[] = {0x410, 0x43D, 0x43D, 0x430, 0x41C, 0x430, 0x440, 0x438, 0x44F, 0x41F, 0x435, 0x442};
    std::string text;
    for (size_t k = 0; k < names; ++k) {
      for (size_t n = k, d = 0; d < 6; ++d, n /= 12) appendUtf8(text, kLetters[n % 12]);
      text += ';';
    }
    sink += encodeWindows1252(text).size();
  });
}

void sortRows() {
  series("sort rise and fall (rows)", 25000, 1600000, [](size_t rows) {
    StringTable table(2);
    table.setRowCount(static_cast<int>(rows) + 1);
    table.setCell(0, 0, "Key");
    table.setCell(1, 0, "Row");
    for (size_t r = 1; r <= rows; ++r) {
      const size_t key = r <= rows / 2 ? r : rows + 1 - r;
      char text[24];
      std::snprintf(text, sizeof text, "K%zu", 1000000000 + key);
      table.setCell(0, static_cast<int>(r), text);
      table.setCell(1, static_cast<int>(r), std::to_string(r));
    }
    const int keys[] = {0};
    const auto start = std::chrono::steady_clock::now();
    SortGridRows(table, 1, static_cast<int>(rows), false, keys);
    std::printf("  (sort alone %.3f s) ", secondsSince(start));
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> chosen;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--budget") == 0 && i + 1 < argc) budget = std::atof(argv[++i]);
    else chosen.emplace_back(argv[i]);
  }
  auto wanted = [&](const char* name) {
    if (chosen.empty()) return true;
    for (const std::string& c : chosen)
      if (c == name) return true;
    return false;
  };
  if (wanted("marks")) marks();
  if (wanted("script")) script();
  if (wanted("names")) names();
  if (wanted("sort")) sortRows();
  std::printf("(%zu)\n", sink);
}
