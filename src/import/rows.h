#pragma once
// Row assembly: every person of the person list becomes rows of the result
// table, a couple per row (man left, woman right, marriage between), a person
// without partner alone (left when male, else right), a person with several
// partners once per partner. The walk over partners of partners uses its own
// stack, so remarriage chains of any length cost no call depth.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "import/extractor.h"
#include "kernel/stringtable.h"

namespace rowsmith {

inline constexpr int kPersonColumns = 18;  // 0-17 left, 21-38 right
inline constexpr int kRightOffset = 21;
using PersonSide = std::array<std::string, kPersonColumns>;

// Columns "ID :" to "ID Mutter :" of one person.
PersonSide personSideCells(Extractor& extractor, TPersRec person, int32_t p, bool westernDates);
// Writes them into columns 0-17 (left) or 21-38 of the row.
void WritePersonSide(Extractor& extractor, StringTable& table, bool left, int row, const TPersRec& person,
                     int32_t p, bool westernDates);

class RowAssembly {
 public:
  // Rows go into table from row 1 on; the table keeps its header row.
  RowAssembly(Extractor& extractor, StringTable& table, bool westernDates);
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

  // The family whose marriage data a row of p and q shows: among the families
  // of p's spouse closure in which both are spouses, the last in text order;
  // -1 when there is none.
  int32_t marriageFamily(int32_t p, int32_t q);

 private:
  struct Frame;
  struct Prepared;
  struct Ahead;
  void prepareSide(int32_t p, Prepared& out) const;
  const Prepared& preparedSide(int32_t p);
  bool placePerson(int32_t p, bool left, bool leftWhenMale);
  void copySide(int fromRow, bool fromLeft, bool toLeft);
  void writeMarriage(int32_t family);
  void finishRow();
  bool firstLinkTo(Frame& frame, std::span<const Extractor::FamsLink> links, uint32_t index);
  void buildFamilyIndex();
  void buildComponents();
  bool reaches(int32_t from, int32_t to);
  std::span<const int32_t> slice(const std::vector<int32_t>& items, const std::vector<uint32_t>& start,
                                 int32_t key) const;

  Extractor& ex_;
  StringTable& table_;
  bool western_;
  int current_ = 1;
  std::array<std::string, 39> row_;
  std::vector<uint8_t> handled_;
  std::vector<Frame> stack_;
  std::unique_ptr<Prepared> scratch_;
  std::unique_ptr<Ahead> ahead_;

  // Families in which a record is husband or wife (member rule), and the
  // records whose FAMS lines list a family: built on first use.
  struct PartnerFamily {
    int32_t spouse;
    int32_t partner;
    int32_t family;
  };
  std::vector<PartnerFamily> partnerFamilies_;
  bool familyIndexBuilt_ = false;
  std::vector<int32_t> linkers_;
  std::vector<uint32_t> linkerStart_;
  // Strongly connected components of the spouse graph, for the rare family
  // that only a third person lists.
  std::vector<int32_t> component_;
  std::vector<uint32_t> visitMark_;
  uint32_t visitEpoch_ = 0;
};

}  // namespace rowsmith
