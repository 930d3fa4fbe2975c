#pragma once
// Family lookups straight from the rules, each a fresh walk of the index:
// the row assembly answers the same questions from its own indexes, and the
// reference assembly in the row tests checks it against these.
#include <cstdint>
#include <vector>

#include "import/extractor.h"

namespace rowsmith::test {

// Husband and wife of each family that p's FAMS lines name, in their order;
// withoutSelf drops the entries equal to p.
std::vector<int32_t> GetSpouseList(Extractor& ex, int32_t p, bool withoutSelf);
// Families of p's spouse closure, sorted by their decimal text.
std::vector<int32_t> GetPersonFamilies(Extractor& ex, int32_t p);
bool IsFamilySpouse(Extractor& ex, int32_t p, int32_t f);

}  // namespace rowsmith::test
