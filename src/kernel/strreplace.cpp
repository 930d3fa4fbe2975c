#include "kernel/strreplace.h"

#include <array>
#include <cstdint>
#include <vector>

#include "kernel/utf8text.h"

// The replace routine behaves like a loop that searches again from the start
// after every single replacement: insert the replacement at the leftmost
// occurrence, then delete the leftmost occurrence of the new text. Done
// literally that is quadratic, so this unit computes the same result in three
// ways, each chosen only where it is provably identical:
//  - a single left-to-right pass when no occurrence can ever touch an inserted
//    replacement (the common case: " JAN " -> ".01.", CR -> "");
//  - a single pass for a replacement that contains the pattern (LF -> CR LF),
//    whose result is every non-overlapping occurrence replaced;
//  - otherwise ("  " -> " ") a restarting search that only looks at the few
//    bytes around the last edit, over a buffer that grows at its end.

namespace rowsmith {
namespace {

using Table = std::array<unsigned char, 256>;

const Table& upperTable() {
  static const Table table = [] {
    Table t{};
    for (int c = 0; c < 256; ++c)
      t[c] = static_cast<unsigned char>(asciiUpperChar(static_cast<char>(c)));
    return t;
  }();
  return table;
}

const Table& identityTable() {
  static const Table table = [] {
    Table t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
    return t;
  }();
  return table;
}

unsigned char byteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

// KMP failure function: fail[k] is the length of the longest proper border of
// pattern[0..k).
std::vector<uint32_t> failureFunction(std::string_view pattern) {
  std::vector<uint32_t> fail(pattern.size() + 1, 0);
  uint32_t k = 0;
  for (size_t i = 1; i < pattern.size(); ++i) {
    while (k > 0 && pattern[i] != pattern[k]) k = fail[k];
    if (pattern[i] == pattern[k]) ++k;
    fail[i + 1] = k;
  }
  return fail;
}

// Runs the matcher of `pattern` over `text`. Returns true when pattern occurs
// in text or when a non-empty prefix of pattern is a suffix of text.
bool occursOrOverhangs(std::string_view pattern, std::string_view text) {
  const std::vector<uint32_t> fail = failureFunction(pattern);
  uint32_t k = 0;
  for (char c : text) {
    while (k > 0 && c != pattern[k]) k = fail[k];
    if (c == pattern[k]) ++k;
    if (k == pattern.size()) return true;
  }
  return k > 0;
}

// True when some text X + replacement + Y can hold an occurrence of the
// pattern that lies neither wholly in X nor wholly in Y. Both arguments are
// already upper-cased for case-insensitive mode, and the replacement does not
// contain the pattern. When this is false, every occurrence the restarting
// loop meets is one of the source's own leftmost non-overlapping occurrences,
// so one pass gives its result.
bool replacementCanFormOccurrence(std::string_view pattern, std::string_view replacement) {
  if (replacement.empty()) return pattern.size() >= 2;  // a join of X and Y
  // Without a common byte nothing can overlap; saves the matcher tables.
  std::array<bool, 256> inPattern{};
  for (char c : pattern) inPattern[static_cast<unsigned char>(c)] = true;
  bool common = false;
  for (char c : replacement) common = common || inPattern[static_cast<unsigned char>(c)];
  if (!common) return false;
  // An occurrence that covers the replacement, starts inside it and runs on,
  // or ends inside it.
  return occursOrOverhangs(replacement, pattern) || occursOrOverhangs(pattern, replacement);
}

// Leftmost occurrence of key (upper-cased when foldCase) in hay at or after
// `from`; hay is compared through the table.
size_t findFolded(std::string_view hay, std::string_view key, size_t from, const Table& fold) {
  if (key.size() > hay.size()) return std::string_view::npos;
  const unsigned char first = byteAt(key, 0);
  for (size_t i = from; i + key.size() <= hay.size(); ++i) {
    if (fold[byteAt(hay, i)] != first) continue;
    size_t k = 1;
    while (k < key.size() && fold[byteAt(hay, i + k)] == byteAt(key, k)) ++k;
    if (k == key.size()) return i;
  }
  return std::string_view::npos;
}

// Every non-overlapping occurrence, leftmost first, replaced in one pass.
std::string replaceEach(std::string_view key, std::string_view replacement,
                        std::string_view source, bool caseSensitive) {
  std::string folded;
  std::string_view hay = source;
  if (!caseSensitive) {
    folded = asciiUpperCase(source);
    hay = folded;
  }
  size_t hit = hay.find(key);
  if (hit == std::string_view::npos) return std::string(source);
  std::string out;
  out.reserve(source.size() + (replacement.size() > key.size() ? 16 * replacement.size() : 0));
  size_t done = 0;
  while (hit != std::string_view::npos) {
    out.append(source, done, hit - done);
    out.append(replacement);
    done = hit + key.size();
    hit = hay.find(key, done);
  }
  out.append(source, done, std::string_view::npos);
  return out;
}

// The restarting loop itself. The text is `left` followed by the unread rest
// of the source; every edit happens within a pattern's length of the previous
// one, so only a short window at the end of `left` is searched again.
std::string replaceRestarting(std::string_view key, std::string_view replacement,
                              std::string_view source, bool caseSensitive) {
  const Table& fold = caseSensitive ? identityTable() : upperTable();
  const size_t m = key.size();
  std::string foldedSource;
  std::string_view hay = source;
  if (!caseSensitive) {
    foldedSource = asciiUpperCase(source);
    hay = foldedSource;
  }
  // A rewrite that never shrinks the text may run for very long or forever
  // (for example "ab" -> "bba" doubles per "a"); stop such a one after a
  // bounded amount of work instead of hanging.
  const bool shrinks = replacement.size() < m;
  const uint64_t stepLimit = 4'000'000 + 64 * static_cast<uint64_t>(source.size());
  uint64_t steps = 0;

  std::string left;
  left.reserve(source.size());
  std::string window;
  size_t rest = 0;  // source[rest..) follows left
  size_t lo = 0;    // no occurrence starts before lo

  auto matchesAt = [&](size_t i) {
    for (size_t k = 0; k < m; ++k) {
      const size_t x = i + k;
      unsigned char c;
      if (x < left.size()) {
        c = fold[byteAt(left, x)];
      } else {
        const size_t y = rest + (x - left.size());
        if (y >= hay.size()) return false;
        c = byteAt(hay, y);
      }
      if (c != byteAt(key, k)) return false;
    }
    return true;
  };

  for (;;) {
    size_t p = std::string::npos;
    for (size_t i = lo; i < left.size(); ++i) {
      if (matchesAt(i)) {
        p = i;
        break;
      }
    }
    if (p == std::string::npos) {
      const size_t hit = hay.find(key, rest);
      if (hit == std::string_view::npos) break;
      left.append(source, rest, hit - rest);
      rest = hit;
      p = left.size();
    }
    if (!shrinks && ++steps > stepLimit) break;
    // Bring the whole occurrence into `left`.
    if (p + m > left.size()) {
      const size_t need = p + m - left.size();
      left.append(source, rest, need);
      rest += need;
    }
    // After inserting the replacement at p, the leftmost occurrence starts
    // no earlier than p - m + 1 (nothing before p matched) and no later than
    // just behind the replacement, so it lies in this window.
    const size_t a = p >= m - 1 ? p - (m - 1) : 0;
    window.assign(left, a, p - a);
    window.append(replacement);
    window.append(left, p, m);
    const size_t q = findFolded(window, key, 0, fold);
    window.erase(q, m);
    window.append(left, p + m);  // short: p lies in the last window
    left.resize(a);
    left.append(window);
    lo = a >= m - 1 ? a - (m - 1) : 0;
  }
  left.append(source, rest, std::string_view::npos);
  return left;
}

}  // namespace

std::string StrReplace(std::string_view pattern, std::string_view replacement,
                       std::string_view source, bool caseSensitive) {
  if (pattern == replacement || pattern.empty() || source.empty()) return std::string(source);
  if (caseSensitive && source.find(pattern) == std::string_view::npos) return std::string(source);
  std::string foldedPattern;
  std::string foldedReplacement;
  std::string_view key = pattern;
  std::string_view keyReplacement = replacement;
  if (!caseSensitive) {
    foldedPattern = asciiUpperCase(pattern);
    foldedReplacement = asciiUpperCase(replacement);
    key = foldedPattern;
    keyReplacement = foldedReplacement;
  }
  // A replacement that contains the pattern would be found again at once:
  // each occurrence in the source is replaced once instead. In case-insensitive mode this also
  // covers a replacement that contains the pattern only when case is ignored
  // ("x" -> "X"), which the restarting loop would repeat forever.
  if (keyReplacement.find(key) != std::string_view::npos ||
      !replacementCanFormOccurrence(key, keyReplacement))
    return replaceEach(key, replacement, source, caseSensitive);
  return replaceRestarting(key, replacement, source, caseSensitive);
}

}  // namespace rowsmith
