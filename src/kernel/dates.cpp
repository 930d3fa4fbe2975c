#include "kernel/dates.h"

#include "kernel/utf8text.h"

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

// Upper-casing as the month comparison needs it: only ASCII letters can
// match, and no other byte upper-cases to one.
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// Index of the month whose pattern stands at i, or -1.
int monthAt(std::string_view s, size_t i) {
  if (i + 5 > s.size() || s[i] != ' ' || s[i + 4] != ' ') return -1;
  const char a = upperAscii(s[i + 1]);
  const char b = upperAscii(s[i + 2]);
  const char c = upperAscii(s[i + 3]);
  for (int m = 0; m < 16; ++m) {
    const char* p = kMonths[m].pattern;
    if (p[1] == a && p[2] == b && p[3] == c) return m;
  }
  return -1;
}

// Replaces every occurrence of one month pattern, ignoring case, leftmost
// first. The replacement holds no blank or letter, so it never takes part in
// a new occurrence: one pass gives what the restarting replace-all gives.
void replaceMonth(std::string& s, int month) {
  // In place: four bytes are written for five read, so writing never
  // overtakes reading.
  size_t w = 0;
  size_t r = 0;
  while (r < s.size()) {
    if (monthAt(s, r) == month) {
      s[w++] = kDateSeparator;
      s[w++] = kMonths[month].digits[0];
      s[w++] = kMonths[month].digits[1];
      s[w++] = kDateSeparator;
      r += 5;
    } else {
      s[w++] = s[r++];
    }
  }
  s.resize(w);
}

// Months in table order: where two framed names share a blank ("FEB JAN"),
// the one earlier in the table wins.
void replaceMonths(std::string& s) {
  size_t first = std::string::npos;
  int found = 0;
  for (size_t i = 0; i + 5 <= s.size() && found < 2; ++i) {
    if (monthAt(s, i) >= 0) {
      if (found++ == 0) first = i;
    }
  }
  if (found == 1) {
    replaceMonth(s, monthAt(s, first));
  } else if (found > 1) {
    for (int m = 0; m < 16; ++m) replaceMonth(s, m);
  }
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

bool allDigits(std::string_view s) {
  for (char c : s)
    if (!isDigit(c)) return false;
  return true;
}

// The digits of the day of a "9 MAR 1850" shape (1 or 2) and its month, -1
// for any other text.
int dayMonthYear(std::string_view text, size_t& day) {
  day = text.size() == 10 ? 1 : text.size() == 11 ? 2 : 0;
  if (day == 0 || !allDigits(text.substr(0, day)) || !allDigits(text.substr(day + 5))) return -1;
  return monthAt(text, day);
}

// The common "9 MAR 1850" and "1850" shapes, read straight; the general
// reading below gives the same for them. False for every other text.
bool shortSortDate(std::string_view text, std::string& out) {
  if (text.size() == 4 && allDigits(text)) {
    out.assign(text);
    return true;
  }
  size_t day;
  const int month = dayMonthYear(text, day);
  if (month < 0) return false;
  out.assign(text.substr(day + 5));
  out += kMonths[month].digits;
  if (day == 1) out += '0';
  out.append(text.substr(0, day));
  return true;
}

}  // namespace

int monthNumber(std::string_view word) {
  if (word.size() != 3) return 0;
  const char a = upperAscii(word[0]), b = upperAscii(word[1]), c = upperAscii(word[2]);
  for (const Month& m : kMonths) {
    if (m.pattern[1] == a && m.pattern[2] == b && m.pattern[3] == c) return (m.digits[0] - '0') * 10 + (m.digits[1] - '0');
  }
  return 0;
}

std::string GedComDateToSortDate(std::string_view dateText) {
  if (dateText.empty()) return {};
  if (std::string quick; shortSortDate(dateText, quick)) return quick;
  std::string s(dateText);
  if (s.find(' ') == 1) s.insert(s.begin(), '0');  // one-digit day

  replaceMonths(s);

  size_t runStart = s.size();
  while (runStart > 0 && isDigit(s[runStart - 1])) --runStart;
  const size_t runLength = s.size() - runStart;
  if (runLength >= 1 && runLength <= 3) s.insert(runStart, 4 - runLength, '0');

  size_t firstDigit = 0;
  while (firstDigit < s.size() && !isDigit(s[firstDigit])) ++firstDigit;
  std::string prefix = s.substr(0, firstDigit);
  while (!prefix.empty() && prefix.back() == kDateSeparator) prefix.pop_back();

  // Anything but digits, blanks and separators after the first digit (a
  // dual year "1741/42", a range "1850-1860", "1908 ?") is no plain date;
  // reading its digits as one number would show a wrong date that looks
  // valid. So is a year of more than four digits.
  std::string digits;
  bool plain = true;
  size_t groups = 0, lastGroup = 0;
  for (size_t i = firstDigit; i < s.size(); ++i) {
    if (isAsciiLetter(s[i])) return std::string(dateText);  // a range, a period, free text
    if (isDigit(s[i])) {
      if (i == firstDigit || !isDigit(s[i - 1])) ++groups, lastGroup = 0;
      ++lastGroup;
      digits.push_back(s[i]);
    } else if (s[i] != ' ' && s[i] != kDateSeparator) {
      plain = false;
    }
  }
  // A single run of six to eight digits is a packed day, month and year.
  const bool longYear = lastGroup > 4 && !(groups == 1 && lastGroup >= 6 && lastGroup <= 8);
  if (!plain || longYear) return std::string(trimView(dateText));

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
  if (text.size() == 8 && allDigits(text)) {
    std::string out;
    out.reserve(10);
    out.append(text.substr(6, 2)).append(1, '.').append(text.substr(4, 2)).append(1, '.').append(text.substr(0, 4));
    return out;
  }
  // A prefix, then a year, a month and year or a whole date; anything else is
  // a date kept as written and shows as it is.
  size_t firstDigit = 0;
  while (firstDigit < text.size() && !isDigit(text[firstDigit])) ++firstDigit;
  const std::string_view digits = text.substr(firstDigit);
  if (digits.empty()) return std::string(text);
  if (!allDigits(digits) || (digits.size() != 4 && digits.size() != 6 && digits.size() != 8))
    return std::string(text);
  if (firstDigit == 0) return formatIntegerDate(digits);
  return std::string(text.substr(0, firstDigit)) + formatIntegerDate(digits);
}

void appendSortDate(std::string& out, std::string_view dateText) {
  if (dateText.empty()) return;
  if (dateText.size() == 4 && allDigits(dateText)) {
    out += dateText;
    return;
  }
  size_t day;
  const int month = dayMonthYear(dateText, day);
  if (month >= 0) {
    out.append(dateText.substr(day + 5)).append(kMonths[month].digits, 2);
    if (day == 1) out += '0';
    out.append(dateText.substr(0, day));
    return;
  }
  out += trimView(GedComDateToSortDate(dateText));
}

}  // namespace rowsmith
