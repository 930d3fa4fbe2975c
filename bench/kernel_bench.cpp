// Throughput of the per-line text conversions over typical GEDCOM lines.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "kernel/charsets.h"
#include "kernel/textcodec.h"
#include "kernel/dates.h"
#include "kernel/strreplace.h"

using namespace rowsmith;

namespace {

std::vector<std::string> makeLines(bool utf8, bool ansel) {
  const char* umlautUtf8[] = {"M\xC3\xBCller", "J\xC3\xA4ger", "Gro\xC3\x9F", "K\xC3\xB6nig"};
  const char* umlautAnsel[] = {"M\xE8uller", "J\xE8" "ager", "Gro\xCF", "K\xE8onig"};
  const char* plain[] = {"Schmidt", "Becker", "Wagner", "Hoffmann"};
  std::vector<std::string> lines;
  for (int i = 0; i < 200'000; ++i) {
    const int k = i % 4;
    const char* name = utf8 ? umlautUtf8[k] : ansel ? umlautAnsel[k] : plain[k];
    // One accented line in four, as in a typical file.
    const bool accented = i % 4 == 0;
    switch (i % 8) {
      case 0: lines.push_back("0 @I" + std::to_string(i) + "@ INDI"); break;
      case 1: lines.push_back(std::string("1 NAME Johann /") + (accented ? name : plain[k]) + "/"); break;
      case 2: lines.push_back("2 DATE 12 JAN 1850"); break;
      case 3: lines.push_back(std::string("2 PLAC ") + (accented ? name : plain[k]) + "hausen, Kreis Waldeck"); break;
      case 4: lines.push_back(std::string("1 NOTE Er war Bauer und ") + name + " im Dorf, genannt der Alte"); break;
      case 5: lines.push_back("2 CONT und hatte viele Kinder, die alle im Ort blieben."); break;
      case 6: lines.push_back("1 FAMS @F" + std::to_string(i / 3) + "@"); break;
      default: lines.push_back("1 SEX M"); break;
    }
  }
  return lines;
}

size_t totalBytes(const std::vector<std::string>& lines) {
  size_t n = 0;
  for (const auto& l : lines) n += l.size() + 2;
  return n;
}

template <typename F>
void measure(const char* what, const std::vector<std::string>& lines, F&& convert) {
  const int rounds = 10;
  std::string line;
  size_t sink = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r)
    for (const auto& l : lines) {
      line.assign(l);
      sink += convert(line);
    }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double mb = static_cast<double>(totalBytes(lines)) * rounds / 1e6;
  std::printf("%-44s %9.1f MB/s  %7.2f M lines/s  (%zu)\n", what, mb / s,
              static_cast<double>(lines.size()) * rounds / s / 1e6, sink % 10);
}

}  // namespace

int main() {
  const auto plain = makeLines(false, false);
  const auto utf8 = makeLines(true, false);
  const auto ansel = makeLines(false, true);

  measure("decodeUtf8Line, ASCII lines", plain, [](std::string& l) { return decodeUtf8Line(l).size(); });
  measure("decodeUtf8Line, UTF-8 lines", utf8, [](std::string& l) { return decodeUtf8Line(l).size(); });
  measure("decodeAnselLine, ANSEL lines", ansel, [](std::string& l) { return decodeAnselLine(l).size(); });
  measure("encodeWindows1252, UTF-8 lines", utf8, [](std::string& l) { return encodeWindows1252(l).size(); });
  measure("StrReplace CR -> \"\" (one pass)", plain,
          [](std::string& l) { return StrReplace("\r", "", l, true).size(); });
  measure("StrReplace LF -> CR LF (marker route)", plain,
          [](std::string& l) { return StrReplace("\n", "\r\n", l, true).size(); });
  measure("StrReplace \"  \" -> \" \" (restarting)", plain,
          [](std::string& l) { return StrReplace("  ", " ", l, true).size(); });
  measure("StrReplace \" jan \" -> \".01.\" ignoring case", plain,
          [](std::string& l) { return StrReplace(" jan ", ".01.", l, false).size(); });
  const std::vector<std::string> dates = {"12 JAN 1850", "1 MAY 1900", "ABT 1870", "BEF 3 OKT 1799",
                                          "1850", "BET 1900 AND 1910", "24 dec 1800", "JUN 1901"};
  std::vector<std::string> manyDates;
  for (int i = 0; i < 200'000; ++i) manyDates.push_back(dates[i % dates.size()]);
  measure("GedComDateToSortDate, DATE values", manyDates,
          [](std::string& l) { return GedComDateToSortDate(l).size(); });
  std::vector<std::string> sortDates;
  for (const auto& d : manyDates) sortDates.push_back(GedComDateToSortDate(d));
  measure("SortDateToDisplay, stored dates", sortDates,
          [](std::string& l) { return SortDateToDisplay(l).size(); });
  measure("copying the line alone (baseline)", plain, [](std::string& l) { return l.size(); });
  return 0;
}
