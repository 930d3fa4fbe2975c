#pragma once
// Which records reach which through spouse links (a record points at the
// husband and wife of every family its FAMS lines name). Strongly connected
// components answer at once; only one-sided links need a search.
#include <cstdint>
#include <vector>

#include "import/extractor.h"

namespace rowsmith {

class SpouseComponents {
 public:
  explicit SpouseComponents(Extractor& extractor) : ex_(extractor) {}
  // Built on the first question.
  bool reaches(int32_t from, int32_t to);

 private:
  void build();
  int32_t linkTarget(int32_t node, uint32_t edge);

  Extractor& ex_;
  std::vector<int32_t> component_;
  std::vector<uint32_t> visitMark_;
  uint32_t visitEpoch_ = 0;
};

}  // namespace rowsmith
