#pragma once
// Reading persons' cells ahead of the rows on a second thread. Each person
// is read once, by whoever comes first: the reader ahead or the rows; the
// rows are the same either way. The reader stays a bounded window ahead, so
// the cells of a million persons never all wait in memory at once.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "import/rowcells.h"

namespace rowsmith {

class ReadAhead {
 public:
  // Starts reading persons in this order; null where no second thread can
  // be had. The extractor's link index must already be built.
  static std::unique_ptr<ReadAhead> start(Extractor& extractor, std::span<const int32_t> persons);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // handled tells by record which persons the rows are done with; the places
  // of the slots before the first one not done are free. A remarriage chain
  // walked in one go thus still frees places as it goes. Not to be called
  // while a side returned by side() is in use.
  void advance(const std::vector<uint8_t>& handled);
  // p's cells, read ahead or, when they are not, into scratch now.
  const PreparedSide& side(int32_t p, PreparedSide& scratch);

 private:
  struct State;
  explicit ReadAhead(std::unique_ptr<State> state);
  void run();
  std::unique_ptr<State> state_;
};

}  // namespace rowsmith
