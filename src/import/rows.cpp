#include "import/rows.h"

#include <unordered_set>

namespace rowsmith {

// One person whose partners are being walked: where its walk stands and where
// its cells were last written, so later rows copy them instead of reading the
// person again.
struct RowAssembly::Frame {
  int32_t person;
  bool male;
  bool pending;  // the current row holds the person alone and is not finished
  uint8_t entry = 0;
  uint32_t link = 0;
  int lastRow;
  bool lastLeft;
  std::unique_ptr<std::unordered_set<int32_t>> aloneFamilies;
};

RowAssembly::RowAssembly(Extractor& ex, StringTable& table, bool western)
    : ex_(ex),
      table_(table),
      western_(western),
      handled_(static_cast<size_t>(ex.recordCount()), 0),
      scratch_(std::make_unique<PreparedSide>()),
      marriages_(ex) {}

RowAssembly::~RowAssembly() = default;

void RowAssembly::prepare(std::span<const int32_t> persons) {
  if (ahead_ || persons.empty()) return;
  // The reader ahead only reads the index and the link index; build the
  // latter now so that nothing it reads is written while it runs.
  ex_.famsLinks(persons.front());
  ahead_ = ReadAhead::start(ex_, western_, persons);
}

const PreparedSide& RowAssembly::preparedSide(int32_t p) {
  if (!ahead_) {
    prepareSide(ex_, p, western_, *scratch_);
    return *scratch_;
  }
  return ahead_->side(p, *scratch_);
}

// Writes p's cells into the current row, on the left or right, or by p's sex
// (left when male); returns whether p is male.
bool RowAssembly::placePerson(int32_t p, bool left, bool leftWhenMale) {
  const PreparedSide& side = preparedSide(p);
  const bool male = side.male;
  const size_t offset = (leftWhenMale ? male : left) ? 0 : kRightOffset;
  uint32_t begin = 0;
  for (size_t c = 0; c < kOwnCells; ++c) {
    row_[offset + c].assign(side.text, begin, side.ends[c] - begin);
    begin = side.ends[c];
  }
  std::vector<int32_t> parents = ex_.GetParentIDs(p);
  if (parents.size() >= 1) assignDecimal(row_[offset + 16], parents[0]);
  else row_[offset + 16] = "0";
  if (parents.size() >= 2) assignDecimal(row_[offset + 17], parents[1]);
  else row_[offset + 17] = "0";
  return male;
}

void RowAssembly::copySide(int fromRow, bool fromLeft, bool toLeft) {
  const int from = fromLeft ? 0 : kRightOffset;
  const size_t to = toLeft ? 0 : kRightOffset;
  if (fromRow == current_) {
    if (from != static_cast<int>(to)) {
      for (size_t c = 0; c < kPersonColumns; ++c) row_[to + c] = row_[static_cast<size_t>(from) + c];
    }
    return;
  }
  for (int c = 0; c < kPersonColumns; ++c) row_[to + static_cast<size_t>(c)] = table_.cell(from + c, fromRow);
}

void RowAssembly::writeMarriage(int32_t family) {
  TFamDataRec data;
  if (!ex_.GetMarriageData(family, data)) return;
  std::array<std::string, 3> cells = marriageCells(data, western_);
  for (size_t c = 0; c < 3; ++c) row_[kPersonColumns + c] = std::move(cells[c]);
}

void RowAssembly::finishRow() {
  table_.setRow(current_, row_);
  for (std::string& cell : row_) cell.clear();
  ++current_;
  if (table_.rowCount() < current_) table_.setRowCount(current_);
}

// A family that a person links twice gives its row once.
bool RowAssembly::firstLinkTo(Frame& frame, std::span<const Extractor::FamsLink> links, uint32_t index) {
  const int32_t family = links[index].family;
  if (links.size() <= 32) {
    for (uint32_t i = 0; i < index; ++i) {
      if (links[i].family == family) return false;
    }
    return true;
  }
  if (!frame.aloneFamilies) frame.aloneFamilies = std::make_unique<std::unordered_set<int32_t>>();
  return frame.aloneFamilies->insert(family).second;
}

// A family that names no other person: the person alone with that family's
// marriage data.
void RowAssembly::addAloneRow(Frame& f, int32_t family) {
  if (!f.pending) copySide(f.lastRow, f.lastLeft, f.male);
  writeMarriage(family);
  f.pending = false;
  f.lastRow = current_;
  f.lastLeft = f.male;
  finishRow();
}

// The next partner of the family not yet written gets a row beside f's
// person, and its own walk starts; false when the family has none left.
bool RowAssembly::addPartnerRow(Frame& f, const Extractor::Couple& couple) {
  const int32_t a = f.person;
  while (f.entry < 2) {
    const int32_t q = f.entry == 0 ? couple.husband : couple.wife;
    ++f.entry;
    if (q == a || q < 1 || handled_[static_cast<size_t>(q)]) continue;
    handled_[static_cast<size_t>(q)] = 1;
    const bool partnerMale = placePerson(q, !f.male, false);
    if (!f.pending) copySide(f.lastRow, f.lastLeft, f.male);
    const int32_t family = marriageFamily(a, q);
    if (family >= 0) writeMarriage(family);
    const int row = current_;
    f.pending = false;
    f.lastRow = row;
    f.lastLeft = f.male;
    finishRow();
    const bool partnerLeft = !f.male;
    stack_.push_back(Frame{q, partnerMale, false, 0, 0, row, partnerLeft, nullptr});  // f is invalid from here
    return true;
  }
  return false;
}

void RowAssembly::AddPersonRows(int32_t p) {
  if (!ex_.isRecord(p)) return;
  if (ahead_) ahead_->reached(p);
  if (handled_[static_cast<size_t>(p)]) return;
  handled_[static_cast<size_t>(p)] = 1;
  const bool male = placePerson(p, false, true);
  stack_.push_back(Frame{p, male, true, 0, 0, current_, male, nullptr});

  while (!stack_.empty()) {
    Frame& f = stack_.back();
    std::span<const Extractor::FamsLink> links = ex_.famsLinks(f.person);
    bool descended = false;
    while (!descended && f.link < links.size()) {
      const Extractor::Couple couple = ex_.spouseCouple(links[f.link].family);
      const bool husbandReal = couple.husband != f.person && couple.husband >= 1;
      const bool wifeReal = couple.wife != f.person && couple.wife >= 1;
      if (!husbandReal && !wifeReal) {
        if (firstLinkTo(f, links, f.link)) addAloneRow(f, links[f.link].family);
      } else {
        descended = addPartnerRow(f, couple);
      }
      if (!descended) {
        ++f.link;
        f.entry = 0;
      }
    }
    if (descended) continue;
    if (f.pending) finishRow();
    stack_.pop_back();
  }
}

}  // namespace rowsmith
