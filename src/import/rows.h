#pragma once
// Row assembly: every person of the person list becomes rows of the result
// table, a couple per row (man left, woman right, marriage between), a person
// without partner alone (left when male, else right), a person with several
// partners once per partner. The walk over partners of partners uses its own
// stack, so remarriage chains of any length cost no call depth.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "import/extractor.h"
#include "import/marriagefamilies.h"
#include "import/readahead.h"
#include "import/rowcells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

class RowAssembly {
 public:
  // Rows go into table from row 1 on; the table keeps its header row.
  RowAssembly(Extractor& extractor, StringTable& table);
  ~RowAssembly();

  // Reads the persons that AddPersonRows will be called for, in this order,
  // ahead on a second thread where the machine has a second core. The rows
  // are the same either way.
  void prepare(std::span<const int32_t> persons);

  // Writes p and, through its partners and theirs, every row it leads to;
  // does nothing for a person already written.
  void AddPersonRows(int32_t p);
  // The row the next person goes into; the table has this many rows.
  int currentRow() const { return current_; }

  // The family whose marriage data a row of p and q shows when it has one:
  // among the families of p's spouse closure in which both are spouses, the
  // last in text order; -1 when there is none.
  int32_t marriageFamily(int32_t p, int32_t q) { return marriages_.find(p, q); }
  // All the couple's families whose marriages the row shows, in file order.
  void marriageFamilies(int32_t p, int32_t q, std::vector<int32_t>& families) { marriages_.findAll(p, q, families); }

 private:
  struct Frame;
  const PreparedSide& preparedSide(int32_t p);
  bool placePerson(int32_t p, bool left, bool leftWhenMale);
  void copySide(int fromRow, bool fromLeft, bool toLeft);
  void writeMarriage(int32_t family);
  void writeMarriages(std::span<const int32_t> families);
  void finishRow();
  bool firstLinkTo(Frame& frame, std::span<const Extractor::FamsLink> links, uint32_t index);
  void addAloneRow(Frame& frame, int32_t family);
  bool addPartnerRow(Frame& frame, const Extractor::Couple& couple);

  // The cells of one side of the current row, as PreparedSide holds them.
  struct SideCells {
    std::string text;
    std::array<uint32_t, kPersonColumns> ends{};
  };
  static constexpr size_t kRowColumns = 2 * kPersonColumns + 3;

  Extractor& ex_;
  StringTable& table_;
  int current_ = 1;
  // The row being built: left and right person, the marriage between.
  std::array<SideCells, 2> sides_;
  std::string marriage_;
  std::array<uint32_t, 3> marriageEnds_{};
  std::string rowText_;
  std::array<uint32_t, kRowColumns> rowEnds_{};
  std::vector<uint8_t> handled_;
  std::vector<int32_t> families_;
  std::vector<Frame> stack_;
  std::unique_ptr<PreparedSide> scratch_;
  std::unique_ptr<ReadAhead> ahead_;
  MarriageFamilies marriages_;
};

}  // namespace rowsmith
