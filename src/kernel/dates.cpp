#include "kernel/dates.h"

#include "kernel/ansitext.h"

namespace rowsmith {
namespace {

// The working separator while a date is read; the result does not depend on
// it except that a prefix loses trailing separators.
constexpr char kDateSeparator = '.';

struct Month {
  const char* pattern;
  const char* digits;
};

// German abbreviations stand beside the English ones; order matters only in
// that each is applied to the result of the previous one.
constexpr Month kMonths[] = {
    {" JAN ", "01"}, {" FEB ", "02"}, {" MAR ", "03"}, {" MRZ ", "03"},
    {" APR ", "04"}, {" MAY ", "05"}, {" MAI ", "05"}, {" JUN ", "06"},
    {" JUL ", "07"}, {" AUG ", "08"}, {" SEP ", "09"}, {" OCT ", "10"},
    {" OKT ", "10"}, {" NOV ", "11"}, {" DEC ", "12"}, {" DEZ ", "12"},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Replaces every occurrence of the month pattern, ignoring case, by
// separator + digits + separator, in place. The replace-all routine gives the
// same: the replacement holds no blank or letter, so it never takes part in a
// new occurrence, and it is shorter, so the text only shrinks.
void replaceMonth(std::string& s, const Month& m) {
  const std::string_view pattern = m.pattern;
  size_t w = 0;
  size_t r = 0;
  while (r < s.size()) {
    bool hit = r + pattern.size() <= s.size();
    for (size_t k = 0; hit && k < pattern.size(); ++k)
      hit = ansiUpperChar(s[r + k]) == pattern[k];
    if (hit) {
      s[w++] = kDateSeparator;
      s[w++] = m.digits[0];
      s[w++] = m.digits[1];
      s[w++] = kDateSeparator;
      r += pattern.size();
    } else {
      s[w++] = s[r++];
    }
  }
  s.resize(w);
}

// Year, month and day as digits, the shortest form that the text holds.
std::string formatIntegerDate(std::string_view text) {
  std::string t(text);
  if (t.size() < 8) t.resize(8, ' ');
  std::string built = t.substr(6, 2) + "." + t.substr(4, 2) + "." + t.substr(0, 4);
  std::string out;
  for (char c : built)
    if (c != ' ') out.push_back(c);
  const size_t firstKept = out.find_first_not_of('.');
  return firstKept == std::string::npos ? std::string() : out.substr(firstKept);
}

}  // namespace

std::string GedComDateToSortDate(std::string_view dateText) {
  std::string s(dateText);
  if (s.find(' ') == 1) s.insert(0, "0");  // one-digit day

  // Only months framed by blanks count, and a text without blanks has none.
  if (s.find(' ') != std::string::npos) {
    for (const Month& m : kMonths) replaceMonth(s, m);
  }

  size_t runStart = s.size();
  while (runStart > 0 && isDigit(s[runStart - 1])) --runStart;
  const size_t runLength = s.size() - runStart;
  if (runLength >= 1 && runLength <= 3) s.insert(runStart, 4 - runLength, '0');

  size_t firstDigit = 0;
  while (firstDigit < s.size() && !isDigit(s[firstDigit])) ++firstDigit;
  std::string prefix = s.substr(0, firstDigit);
  while (!prefix.empty() && prefix.back() == kDateSeparator) prefix.pop_back();

  std::string digits;
  for (size_t i = firstDigit; i < s.size(); ++i) {
    if (isAsciiLetter(s[i])) return std::string(dateText);  // a range, a period, free text
    if (isDigit(s[i])) digits.push_back(s[i]);
  }

  if (!digits.empty()) {
    size_t width = digits.size() <= 4 ? 4 : digits.size() <= 6 ? 6 : digits.size() <= 8 ? 8 : 0;
    if (width != 0) digits.insert(0, width - digits.size(), '0');
  }
  std::string year, month, day;
  if (digits.size() == 8) {
    day = digits.substr(0, 2);
    month = digits.substr(2, 2);
    year = digits.substr(4, 4);
  } else if (digits.size() == 6) {
    month = digits.substr(0, 2);
    year = digits.substr(2, 4);
  } else {
    year = digits;
  }
  if (trimView(prefix).empty()) return year + month + day;
  return prefix + year + month + day;
}

std::string SortDateToDisplay(std::string_view text) {
  if (trimView(text).empty()) return std::string();
  if (toInt32(text)) return formatIntegerDate(text);

  // Salvage: keep what stands before the first digit, format the digits.
  size_t firstDigit = 0;
  while (firstDigit < text.size() && !isDigit(text[firstDigit])) ++firstDigit;
  std::string digits;
  for (size_t i = firstDigit; i < text.size(); ++i) {
    if (isAsciiLetter(text[i])) return std::string(text);
    if (isDigit(text[i])) digits.push_back(text[i]);
  }
  const std::string_view prefix = text.substr(0, firstDigit);
  if (digits.empty()) return std::string(prefix);
  if (digits == text) return digits;  // too long for an integer
  // The digits alone either convert or come back unchanged.
  return std::string(prefix) + (toInt32(digits) ? formatIntegerDate(digits) : digits);
}

std::string DateForDisplay(std::string_view sortDate, bool western) {
  return western ? SortDateToDisplay(sortDate) : std::string(sortDate);
}

}  // namespace rowsmith
