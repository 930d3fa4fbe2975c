#include "kernel/names.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

TEST(SplitGedComName, CompletesSurnameAndGivenNames) {
  const struct {
    std::string surn, givn, name, surname, given;
  } cases[] = {
      {"", "", "Johann Georg /Becker/", "Becker", "Johann Georg "},
      {"", "", "/Becker/", "Becker", "NN"},
      {"", "", "/Becker", "/Becker", "NN"},
      {"", "", "Anna //", "", "Anna "},
      // "//" is an empty surname wherever it stands.
      {"", "", "Anna // Maria", "", "Anna "},
      {"", "", "Jacob // Israel", "", "Jacob "},
      {"", "", "// Israel", "", "Israel"},
      {"", "", "Johann Becker", "Johann Becker", ""},  // no "/": all surname
      {"", "", "", "NN", ""},
      // SURN and GIVN lines win over the NAME value.
      {"Schmidt", "Karl", "Johann /Becker/", "Schmidt", "Karl"},
      {"", "Karl", "/Becker/", "Becker", "Karl"},
  };
  for (const auto& c : cases) {
    const SplitName s = SplitGedComName(c.surn, c.givn, c.name);
    EXPECT_EQ(s.surname + "|" + s.given, c.surname + "|" + c.given) << c.surn << "|" << c.givn << "|" << c.name;
  }
}

TEST(SurnameWithPrefix, PutsTheSurnamePrefixInFrontOnce) {
  const struct {
    const char *prefix, *surname, *out;
  } cases[] = {
      {"van", "Beethoven", "van Beethoven"}, {"van", "van Beethoven", "van Beethoven"},
      {" von der ", "Heide", "von der Heide"}, {"de", "Decker", "de Decker"},
      {"d'", "Artagnan", "d'Artagnan"}, {"", "Beethoven", "Beethoven"}, {"van", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(surnameWithPrefix(c.prefix, c.surname), c.out) << c.prefix;
}

}  // namespace
}  // namespace rowsmith
