#pragma once
// The families whose marriage data a couple's row shows: those of p's spouse
// closure in which both are spouses.
// Families are indexed by spouse and partner, so one person with any number
// of partners costs time in proportion to them.
#include <cstdint>
#include <span>
#include <vector>

#include "import/extractor.h"
#include "import/spousecomponents.h"

namespace rowsmith {

class MarriageFamilies {
 public:
  explicit MarriageFamilies(Extractor& extractor) : ex_(extractor), reach_(extractor) {}
  // -1 when there is none. The index is built on the first question.
  int32_t find(int32_t p, int32_t q);
  // Every family of the couple that find would choose among, in file order:
  // a couple married twice (or with a civil and a church family) shows the
  // marriages of all.
  void findAll(int32_t p, int32_t q, std::vector<int32_t>& families);

 private:
  struct PartnerFamily {
    int32_t spouse;
    int32_t partner;
    int32_t family;
  };
  void build();
  void buildListers();
  bool lists(int32_t record, int32_t family);
  bool counts(int32_t p, int32_t q, int32_t family);
  std::span<const int32_t> listers(int32_t family);

  Extractor& ex_;
  SpouseComponents reach_;
  bool built_ = false;
  // Member rule couples, sorted by spouse, partner and text order, last first.
  std::vector<PartnerFamily> partnerFamilies_;
  // The records whose FAMS lines list a family, built on first use.
  std::vector<int32_t> linkers_;
  std::vector<uint32_t> linkerStart_;
};

}  // namespace rowsmith
