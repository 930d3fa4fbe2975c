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
      {"", "", "Anna // Maria", "Anna // Maria", "Anna "},
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

}  // namespace
}  // namespace rowsmith
