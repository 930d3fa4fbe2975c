#include "kernel/charsets.h"

#include <algorithm>
#include <array>
#include <cstdint>

// Each conversion could be written as a series of replace-all passes over the
// line (95 for UTF-8, 95 + 95 for ANSEL), which is slow. The passes interact
// only in the few ways noted below, so one left-to-right scan gives the same
// bytes; the tests compare both forms on many random lines.

namespace rowsmith {
namespace {

unsigned char ub(char c) { return static_cast<unsigned char>(c); }

// --- UTF-8 -----------------------------------------------------------------
// Passes C2 A1..C2 BF -> A1..BF, then C3 80..C3 BF -> C0..FF.
//
// A pass "C2 c -> c" restarts its search after each replacement, so the c it
// leaves behind joins a C2 in front of it again: a run C2..C2 c becomes c.
// Its output never starts a sequence of another C2 pass, so the C2 passes
// amount to: every run of C2 bytes followed by a byte A1..BF becomes that
// byte. They run first and may leave second bytes behind a C3, which is how
// doubly encoded text comes back.
//
// Among the C3 passes only "C3 83 -> C3" produces a byte another pass reads:
// C3 83..83 becomes C3, and that C3 then pairs with the next byte if a later
// pass (84..BF) covers it; the passes for 80..82 are over by then.

bool isUtf8Second(unsigned char c) { return c >= 0xA1 && c <= 0xBF; }

size_t collapseC2Runs(std::string& s) {
  size_t w = 0;
  const size_t n = s.size();
  for (size_t r = 0; r < n;) {
    if (ub(s[r]) != 0xC2) {
      s[w++] = s[r++];
      continue;
    }
    size_t e = r;
    while (e < n && ub(s[e]) == 0xC2) ++e;
    if (e < n && isUtf8Second(ub(s[e]))) {
      s[w++] = s[e];
      r = e + 1;
    } else {
      while (r < e) s[w++] = s[r++];
    }
  }
  s.resize(w);
  return w;
}

void convertC3Pairs(std::string& s) {
  size_t w = 0;
  const size_t n = s.size();
  for (size_t r = 0; r < n;) {
    const unsigned char c = ub(s[r]);
    if (c != 0xC3 || r + 1 == n) {
      s[w++] = s[r++];
      continue;
    }
    const unsigned char x = ub(s[r + 1]);
    if (x >= 0x80 && x <= 0x82) {
      s[w++] = static_cast<char>(x + 0x40);
      r += 2;
    } else if (x == 0x83) {
      size_t e = r + 1;
      while (e < n && ub(s[e]) == 0x83) ++e;
      if (e < n && ub(s[e]) >= 0x84 && ub(s[e]) <= 0xBF) {
        s[w++] = static_cast<char>(ub(s[e]) + 0x40);
        r = e + 1;
      } else {
        s[w++] = static_cast<char>(0xC3);
        r = e;
      }
    } else if (x >= 0x84 && x <= 0xBF) {
      s[w++] = static_cast<char>(x + 0x40);
      r += 2;
    } else {
      s[w++] = s[r++];
    }
  }
  s.resize(w);
}

// --- ANSEL -----------------------------------------------------------------
// Phase 1 turns each ANSEL sequence into a label of ASCII characters, phase 2
// each label into its ANSI byte. No sequence overlaps another, none can be
// formed by a label, and labels cannot overlap each other, so a sequence
// simply becomes its ANSI byte and a label already present in the line
// becomes its byte too, provided the line holds at least one sequence.

struct AnselEntry {
  unsigned char ansi;
  unsigned char first;
  unsigned char second;  // 0 for a one-byte sequence
};

constexpr AnselEntry kAnsel[] = {
    {0xA1, 0xC6, 0}, {0xA2, 0xD9, 0x21}, {0xA3, 0xB9, 0}, {0xA4, 0xD9, 0x25},
    {0xA5, 0xD9, 0x22}, {0xA6, 0xD9, 0x45}, {0xA7, 0xD9, 0x47}, {0xA8, 0xE8, 0x20},
    {0xA9, 0xC3, 0}, {0xAA, 0xD9, 0x41}, {0xAB, 0xD9, 0x43}, {0xAC, 0xD9, 0x68},
    {0xAD, 0xD9, 0x77}, {0xAE, 0xAA, 0}, {0xAF, 0xE5, 0x20}, {0xB0, 0xC0, 0},
    {0xB1, 0xAB, 0}, {0xB2, 0xD9, 0x32}, {0xB3, 0xD9, 0x33}, {0xB4, 0xE2, 0x20},
    {0xB5, 0xD9, 0x5A}, {0xB6, 0xD9, 0x46}, {0xB7, 0xA8, 0}, {0xB8, 0xF0, 0x20},
    {0xB9, 0xD9, 0x31}, {0xBA, 0xD9, 0x42}, {0xBB, 0xD9, 0x44}, {0xBC, 0xD9, 0x62},
    {0xBD, 0xD9, 0x61}, {0xBE, 0xD9, 0x63}, {0xBF, 0xC5, 0}, {0xC0, 0xE1, 0x41},
    {0xC1, 0xE2, 0x41}, {0xC2, 0xE3, 0x41}, {0xC3, 0xE4, 0x41}, {0xC4, 0xE8, 0x41},
    {0xC5, 0xEA, 0x41}, {0xC6, 0xA5, 0}, {0xC7, 0xF0, 0x43}, {0xC8, 0xE1, 0x45},
    {0xC9, 0xE2, 0x45}, {0xCA, 0xE3, 0x45}, {0xCB, 0xE8, 0x45}, {0xCC, 0xE1, 0x49},
    {0xCD, 0xE2, 0x49}, {0xCE, 0xE3, 0x49}, {0xCF, 0xE8, 0x49}, {0xD0, 0xA3, 0},
    {0xD1, 0xE4, 0x4E}, {0xD2, 0xE1, 0x4F}, {0xD3, 0xE2, 0x4F}, {0xD4, 0xE3, 0x4F},
    {0xD5, 0xE4, 0x4F}, {0xD6, 0xE8, 0x4F}, {0xD7, 0xD9, 0x6A}, {0xD8, 0xA2, 0},
    {0xD9, 0xE1, 0x55}, {0xDA, 0xE2, 0x55}, {0xDB, 0xE3, 0x55}, {0xDC, 0xE8, 0x55},
    {0xDD, 0xE2, 0x59}, {0xDE, 0xA4, 0}, {0xDF, 0xCF, 0}, {0xE0, 0xE1, 0x61},
    {0xE1, 0xE2, 0x61}, {0xE2, 0xE3, 0x61}, {0xE3, 0xE4, 0x61}, {0xE4, 0xE8, 0x61},
    {0xE5, 0xEA, 0x61}, {0xE6, 0xB5, 0}, {0xE7, 0xF0, 0x63}, {0xE8, 0xE1, 0x65},
    {0xE9, 0xE2, 0x65}, {0xEA, 0xE3, 0x65}, {0xEB, 0xE8, 0x65}, {0xEC, 0xE1, 0x69},
    {0xED, 0xE2, 0x69}, {0xEE, 0xE3, 0x69}, {0xEF, 0xE8, 0x69}, {0xF0, 0xBA, 0},
    {0xF1, 0xE4, 0x6E}, {0xF2, 0xE1, 0x6F}, {0xF3, 0xE2, 0x6F}, {0xF4, 0xE3, 0x6F},
    {0xF5, 0xE4, 0x6F}, {0xF6, 0xE8, 0x6F}, {0xF7, 0xD9, 0x6D}, {0xF8, 0xB2, 0},
    {0xF9, 0xE1, 0x75}, {0xFA, 0xE2, 0x75}, {0xFB, 0xE3, 0x75}, {0xFC, 0xE8, 0x75},
    {0xFD, 0xE2, 0x79}, {0xFE, 0xB4, 0}, {0xFF, 0xE8, 0x79},
};
static_assert(sizeof(kAnsel) / sizeof(kAnsel[0]) == 95);

// ANSI byte of each one-byte sequence, and of each pair, indexed by the two
// bytes; 0 where the table has no entry (no entry yields 0).
struct AnselLookup {
  std::array<unsigned char, 256> single{};
  std::array<std::array<unsigned char, 256>, 256> pair{};
  std::array<bool, 256> starts{};  // byte begins some sequence
};

const AnselLookup& anselLookup() {
  static const AnselLookup lookup = [] {
    AnselLookup t;
    for (const AnselEntry& e : kAnsel) {
      if (e.second == 0)
        t.single[e.first] = e.ansi;
      else
        t.pair[e.first][e.second] = e.ansi;
      t.starts[e.first] = true;
    }
    return t;
  }();
  return lookup;
}

// ANSI byte of the sequence starting at i and its length, or length 0.
size_t anselSequenceAt(const AnselLookup& t, std::string_view s, size_t i, unsigned char& ansi) {
  const unsigned char c = ub(s[i]);
  if (!t.starts[c]) return 0;
  if (t.single[c] != 0) {
    ansi = t.single[c];
    return 1;
  }
  if (i + 1 < s.size() && t.pair[c][ub(s[i + 1])] != 0) {
    ansi = t.pair[c][ub(s[i + 1])];
    return 2;
  }
  return 0;
}

int lowerHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Label "<<#$hh#$hh>>" or "<<#$hh    >>" at i (12 bytes) naming a table
// entry: its ANSI byte, else 0.
unsigned char anselLabelAt(const AnselLookup& t, std::string_view s, size_t i) {
  if (s.size() - i < 12) return 0;
  const std::string_view l = s.substr(i, 12);
  if (l.substr(0, 4) != "<<#$" || l.substr(10, 2) != ">>") return 0;
  const int h1 = lowerHexValue(l[4]);
  const int h2 = lowerHexValue(l[5]);
  if (h1 < 0 || h2 < 0) return 0;
  const unsigned char first = static_cast<unsigned char>(h1 * 16 + h2);
  if (l.substr(6, 4) == "    ") return t.single[first];
  if (l.substr(6, 2) != "#$") return 0;
  const int h3 = lowerHexValue(l[8]);
  const int h4 = lowerHexValue(l[9]);
  if (h3 < 0 || h4 < 0) return 0;
  return t.pair[first][static_cast<unsigned char>(h3 * 16 + h4)];
}

}  // namespace

bool Utf8ToAnsi(std::string& line) {
  const size_t before = line.size();
  bool lead = false;
  for (char c : line) lead |= (ub(c) & 0xFE) == 0xC2;  // C2 or C3
  if (!lead) return false;
  collapseC2Runs(line);
  convertC3Pairs(line);
  // Every conversion shortens the line.
  return line.size() != before;
}

bool RemoveNulChars(std::string& line) {
  const auto end = std::remove(line.begin(), line.end(), '\0');
  if (end == line.end()) return false;
  line.erase(end, line.end());
  return true;
}

bool AnselToAnsi(std::string& line) {
  const AnselLookup& t = anselLookup();
  unsigned char ansi = 0;
  size_t first = 0;
  while (first < line.size() && anselSequenceAt(t, line, first, ansi) == 0) ++first;
  if (first == line.size()) return false;
  // Labels before the first sequence are converted as well.
  size_t w = 0;
  for (size_t r = 0; r < line.size();) {
    size_t len = anselSequenceAt(t, line, r, ansi);
    if (len == 0 && line[r] == '<') {
      ansi = anselLabelAt(t, line, r);
      if (ansi != 0) len = 12;
    }
    if (len == 0) {
      line[w++] = line[r++];
    } else {
      line[w++] = static_cast<char>(ansi);
      r += len;
    }
  }
  line.resize(w);
  // A sequence was replaced by a different byte or shortened the line.
  return true;
}

}  // namespace rowsmith
