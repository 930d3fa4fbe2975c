#include "kernel/strreplace.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "kernel/utf8text.h"

namespace rowsmith {
namespace {

TEST(StrReplace, AnEmptyPatternChangesNothingAndOnlyAsciiLettersFold) {
  EXPECT_EQ(StrReplace("", "x", "banana", true), "banana");
  // Only ASCII letters fold: no byte of a multi-byte character changes.
  EXPECT_EQ(StrReplace("\xC3\xA4", "ae", "\xC3\x84pfel \xC3\xA4", false), "\xC3\x84pfel ae");
}

TEST(StrReplace, GrowingRewritesStopAndLongRunsCollapseQuickly) {
  // "ab" -> "bba" would need 2^60 steps on a^60 b.
  EXPECT_EQ(StrReplace("ab", "bba", std::string(60, 'a') + "b", true).find_first_not_of("ab"),
            std::string::npos);
  EXPECT_EQ(StrReplace("  ", " ", "x" + std::string(2'000'000, ' ') + "y", true), "x y");
}

// The routine written the slow, obvious way: insert at the leftmost occurrence, delete the
// leftmost occurrence of the new text, repeat; a replacement containing the
// pattern replaces the original occurrences once instead.
size_t findIn(const std::string& hay, const std::string& needle, bool caseSensitive) {
  return caseSensitive ? hay.find(needle) : asciiUpperCase(hay).find(asciiUpperCase(needle));
}

std::optional<std::string> referenceReplace(const std::string& pattern, const std::string& replacement,
                                            const std::string& source, bool caseSensitive) {
  if (pattern == replacement || pattern.empty()) return source;
  if (findIn(replacement, pattern, caseSensitive) != std::string::npos) {
    const std::string hay = caseSensitive ? source : asciiUpperCase(source);
    const std::string key = caseSensitive ? pattern : asciiUpperCase(pattern);
    std::string out;
    size_t done = 0;
    for (size_t hit = hay.find(key); hit != std::string::npos; hit = hay.find(key, done)) {
      out += source.substr(done, hit - done) + replacement;
      done = hit + key.size();
    }
    return out + source.substr(done);
  }
  std::string s = source;
  for (int steps = 0; steps <= 300 && s.size() <= 200; ++steps) {
    const size_t p = findIn(s, pattern, caseSensitive);
    if (p == std::string::npos) return s;
    s.insert(p, replacement);
    s.erase(findIn(s, pattern, caseSensitive), pattern.size());
  }
  return std::nullopt;
}

TEST(StrReplace, AgreesWithTheRestartingDefinitionOnRandomInputs) {
  std::mt19937 rng(20240611);
  auto randomText = [&](const std::string& alphabet, size_t maxLength) {
    std::string s(std::uniform_int_distribution<size_t>(0, maxLength)(rng), ' ');
    for (char& c : s) c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
    return s;
  };
  int compared = 0;
  for (int i = 0; i < 20'000; ++i) {
    const bool caseSensitive = i % 3 != 0;
    const std::string alphabet = caseSensitive ? "ab " : "abAB\xE4\xC4";
    std::string pattern = randomText(alphabet, 3);
    if (pattern.empty()) pattern = "a";
    const std::string replacement = randomText(alphabet, 4), source = randomText(alphabet, 14);
    const auto expected = referenceReplace(pattern, replacement, source, caseSensitive);
    if (!expected) continue;
    ++compared;
    ASSERT_EQ(StrReplace(pattern, replacement, source, caseSensitive), *expected)
        << pattern << "|" << replacement << "|" << source << "|" << caseSensitive;
  }
  EXPECT_GT(compared, 18'800);
}

}  // namespace
}  // namespace rowsmith
