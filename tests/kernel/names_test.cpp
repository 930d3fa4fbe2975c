#include "kernel/names.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

TEST(SplitGedComName, CompletesSurnameAndGivenNames) {
  const struct {
    std::string surn, givn, name;
    std::string surname, given;
  } cases[] = {
      {"", "", "Johann Georg /Becker/", "Becker", "Johann Georg "},
      {"", "", "/Becker/ Johann", "Becker", "Johann"},
      {"", "", "/Becker/", "Becker", "NN"},
      {"", "", "/Becker", "/Becker", "NN"},
      {"", "", "Anna //", "", "Anna "},
      {"", "", "//", "", "NN"},
      {"", "", "Anna // Maria", "Anna // Maria", "Anna "},
      {"", "", "Johann /Becker", "Johann /Becker", "Johann "},
      // Without any "/" the whole value is the surname, given names stay empty.
      {"", "", "Becker", "Becker", ""},
      {"", "", "Johann Becker", "Johann Becker", ""},
      // Nothing known at all.
      {"", "", "", "NN", ""},
      // SURN and GIVN lines win over the NAME value.
      {"Schmidt", "Karl", "Johann /Becker/", "Schmidt", "Karl"},
      {"Schmidt", "", "Johann /Becker/", "Schmidt", "Johann "},
      {"", "Karl", "/Becker/", "Becker", "Karl"},
      {"Schmidt", "", "", "Schmidt", ""},
  };
  for (const auto& c : cases) {
    const SplitName s = SplitGedComName(c.surn, c.givn, c.name);
    EXPECT_EQ(s.surname, c.surname) << "'" << c.surn << "' '" << c.givn << "' '" << c.name << "'";
    EXPECT_EQ(s.given, c.given) << "'" << c.surn << "' '" << c.givn << "' '" << c.name << "'";
  }
}

}  // namespace
}  // namespace rowsmith
