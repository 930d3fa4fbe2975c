#include "kernel/strreplace.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kernel/ansitext.h"

namespace rowsmith {
namespace {

struct Case {
  std::string pattern, replacement, source;
  bool caseSensitive;
  std::string expected;
};

TEST(StrReplace, WorkedResults) {
  const Case cases[] = {
      {"a", "a", "banana", true, "banana"},
      {"", "x", "banana", true, "banana"},
      {"a", "b", "", true, ""},
      {"an", "AN", "banana", true, "bANANa"},
      // Each search restarts at the beginning: runs of blanks collapse.
      {"  ", " ", "a     b", true, "a b"},
      {"  ", " ", "      ", true, " "},
      // The replacement contains the pattern: every original LF gains one CR.
      {"\n", "\r\n", "a\nb", true, "a\r\nb"},
      {"\n", "\r\n", "a\r\nb", true, "a\r\r\nb"},
      {"\n", "\r\n", "\n\n", true, "\r\n\r\n"},
      {"ab", "xaby", "abab", true, "xabyxaby"},
      // Month names are replaced ignoring case, the replacement as given.
      {" jan ", "-01-", " 3 JAN 1850 ", false, " 3-01-1850 "},
      {" JAN ", ".01.", "1 jan 1 Jan 2", false, "1.01.1.01.2"},
      {"\xE4", "ae", "\xC4pfel \xE4", false, "aepfel ae"},
      {"\xE4", "ae", "\xC4pfel \xE4", true, "\xC4pfel ae"},
      // Deleting a pair joins its neighbours into a new pair, which goes too.
      {"ab", "", "aabb", true, ""},
      {"ab", "", "aabb", false, ""},
      // A replacement that ends where the pattern begins is seen again.
      {"ab", "a", "abbb", true, "a"},
      // Case-sensitive mode leaves other cases alone.
      {"ab", "", "aAbB", true, "aAbB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StrReplace(c.pattern, c.replacement, c.source, c.caseSensitive), c.expected)
        << "pattern '" << c.pattern << "' replacement '" << c.replacement << "' source '"
        << c.source << "'";
  }
}

TEST(StrReplace, ReplacementEqualToPatternIgnoringCaseTerminates) {
  EXPECT_EQ(StrReplace("x", "X", "axbXc", false), "aXbXc");
  EXPECT_EQ(StrReplace("ab", "AB", "abab", false), "ABAB");
}

TEST(StrReplace, GrowingRewriteStopsInsteadOfHanging) {
  // "ab" -> "bba" needs 2^n steps on a^n b; the result is only checked for
  // being finite and made of the input letters.
  const std::string source = std::string(60, 'a') + "b";
  const std::string out = StrReplace("ab", "bba", source, true);
  EXPECT_TRUE(out.find_first_not_of("ab") == std::string::npos);
  // Here every step leaves an occurrence at its front: "aab" -> "baab" -> ...
  EXPECT_TRUE(StrReplace("ab", "bba", "aab", true).find_first_not_of("ab") == std::string::npos);
}

TEST(StrReplace, LongRunsOfBlanksCollapseQuickly) {
  const std::string source = "x" + std::string(2'000'000, ' ') + "y";
  EXPECT_EQ(StrReplace("  ", " ", source, true), "x y");
}

// The routine as first defined: insert at the leftmost occurrence, then delete
// the leftmost occurrence of the new text, until none is left. A replacement
// that contains the pattern (ignoring case where case is ignored) replaces the
// original occurrences once instead.
size_t findIn(const std::string& hay, const std::string& needle, bool caseSensitive) {
  if (caseSensitive) return hay.find(needle);
  return ansiUpperCase(hay).find(ansiUpperCase(needle));
}

std::optional<std::string> referenceReplace(const std::string& pattern,
                                            const std::string& replacement,
                                            const std::string& source, bool caseSensitive) {
  if (pattern == replacement || pattern.empty()) return source;
  if (findIn(replacement, pattern, caseSensitive) != std::string::npos) {
    std::string out;
    const std::string hay = caseSensitive ? source : ansiUpperCase(source);
    const std::string key = caseSensitive ? pattern : ansiUpperCase(pattern);
    size_t done = 0;
    for (size_t hit = hay.find(key); hit != std::string::npos; hit = hay.find(key, done)) {
      out += source.substr(done, hit - done) + replacement;
      done = hit + key.size();
    }
    return out + source.substr(done);
  }
  std::string s = source;
  for (int steps = 0;; ++steps) {
    if (steps > 300 || s.size() > 200) return std::nullopt;
    const size_t p = findIn(s, pattern, caseSensitive);
    if (p == std::string::npos) return s;
    s.insert(p, replacement);
    s.erase(findIn(s, pattern, caseSensitive), pattern.size());
  }
}

std::string randomText(std::mt19937& rng, const std::string& alphabet, size_t maxLength) {
  std::uniform_int_distribution<size_t> length(0, maxLength);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string s(length(rng), ' ');
  for (char& c : s) c = alphabet[pick(rng)];
  return s;
}

TEST(StrReplace, AgreesWithTheRestartingDefinitionOnRandomInputs) {
  std::mt19937 rng(20240611);
  int compared = 0;
  for (int i = 0; i < 200'000; ++i) {
    const bool caseSensitive = i % 3 != 0;
    const std::string alphabet = caseSensitive ? "ab " : "abAB\xE4\xC4";
    std::string pattern = randomText(rng, alphabet, 3);
    if (pattern.empty()) pattern.push_back('a');
    const std::string replacement = randomText(rng, alphabet, 4);
    const std::string source = randomText(rng, alphabet, 14);
    const auto expected = referenceReplace(pattern, replacement, source, caseSensitive);
    if (!expected) continue;
    ++compared;
    ASSERT_EQ(StrReplace(pattern, replacement, source, caseSensitive), *expected)
        << "pattern '" << pattern << "' replacement '" << replacement << "' source '" << source
        << "' caseSensitive " << caseSensitive;
  }
  EXPECT_GT(compared, 190'000);  // growing rewrites are rare
}

}  // namespace
}  // namespace rowsmith
