#include "import/spousecomponents.h"

#include <algorithm>
#include <span>

namespace rowsmith {

// Edge 2k is the husband, 2k+1 the wife of the node's k-th FAMS family.
int32_t SpouseComponents::linkTarget(int32_t node, uint32_t edge) {
  std::span<const Extractor::FamsLink> links = ex_.famsLinks(node);
  Extractor::Couple c = ex_.spouseCouple(links[edge / 2].family);
  return edge % 2 == 0 ? c.husband : c.wife;
}

// Tarjan's algorithm with its own stack of visits: a remarriage chain of any
// length costs no call depth.
void SpouseComponents::build() {
  const int32_t n = ex_.recordCount();
  const size_t size = static_cast<size_t>(n);
  component_.assign(size, -1);
  std::vector<int32_t> index(size, -1), low(size, 0), sccStack;
  std::vector<uint8_t> onStack(size, 0);
  struct Visit {
    int32_t node;
    uint32_t edge;
  };
  std::vector<Visit> calls;
  int32_t counter = 0, components = 0;
  auto enter = [&](int32_t w) {
    index[static_cast<size_t>(w)] = low[static_cast<size_t>(w)] = counter++;
    sccStack.push_back(w);
    onStack[static_cast<size_t>(w)] = 1;
    calls.push_back({w, 0});
  };
  for (int32_t root = 0; root < n; ++root) {
    if (index[static_cast<size_t>(root)] >= 0) continue;
    enter(root);
    while (!calls.empty()) {
      Visit& v = calls.back();
      const size_t node = static_cast<size_t>(v.node);
      if (v.edge < static_cast<uint32_t>(ex_.famsLinks(v.node).size()) * 2) {
        const int32_t w = linkTarget(v.node, v.edge++);
        if (w < 1 || w >= n) continue;
        if (index[static_cast<size_t>(w)] < 0) enter(w);
        else if (onStack[static_cast<size_t>(w)]) low[node] = std::min(low[node], index[static_cast<size_t>(w)]);
        continue;
      }
      calls.pop_back();
      if (!calls.empty()) {
        const size_t parent = static_cast<size_t>(calls.back().node);
        low[parent] = std::min(low[parent], low[node]);
      }
      if (low[node] != index[node]) continue;
      int32_t w;
      do {
        w = sccStack.back();
        sccStack.pop_back();
        onStack[static_cast<size_t>(w)] = 0;
        component_[static_cast<size_t>(w)] = components;
      } while (static_cast<size_t>(w) != node);
      ++components;
    }
  }
}

bool SpouseComponents::reaches(int32_t from, int32_t to) {
  if (from == to) return true;
  if (component_.empty()) build();
  const int32_t n = ex_.recordCount();
  if (from < 0 || to < 0 || from >= n || to >= n) return false;
  if (component_[static_cast<size_t>(from)] == component_[static_cast<size_t>(to)]) return true;
  // Across components: a plain search, needed only where spouse links are
  // one-sided.
  if (visitMark_.empty()) visitMark_.assign(static_cast<size_t>(n), 0);
  ++visitEpoch_;
  std::vector<int32_t> work{from};
  visitMark_[static_cast<size_t>(from)] = visitEpoch_;
  while (!work.empty()) {
    int32_t node = work.back();
    work.pop_back();
    for (const Extractor::FamsLink& link : ex_.famsLinks(node)) {
      Extractor::Couple c = ex_.spouseCouple(link.family);
      for (int32_t w : {c.husband, c.wife}) {
        if (w < 1 || w >= n || visitMark_[static_cast<size_t>(w)] == visitEpoch_) continue;
        if (w == to) return true;
        visitMark_[static_cast<size_t>(w)] = visitEpoch_;
        work.push_back(w);
      }
    }
  }
  return false;
}

}  // namespace rowsmith
