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

RowAssembly::RowAssembly(Extractor& ex, StringTable& table)
    : ex_(ex),
      table_(table),
      handled_(static_cast<size_t>(ex.recordCount()), 0),
      scratch_(std::make_unique<PreparedSide>()),
      marriages_(ex) {
  // The person cells read the parents from the link index.
  ex_.famsLinks(0);
}

RowAssembly::~RowAssembly() = default;

void RowAssembly::prepare(std::span<const int32_t> persons) {
  if (ahead_ || persons.empty()) return;
  // Most files give fewer rows than persons.
  table_.reserveRows(current_ + static_cast<int>(persons.size()));
  // The reader ahead only reads the index and the link index; build the
  // latter now so that nothing it reads is written while it runs.
  ex_.famsLinks(persons.front());
  ahead_ = ReadAhead::start(ex_, persons);
}

const PreparedSide& RowAssembly::preparedSide(int32_t p) {
  if (!ahead_) {
    prepareSide(ex_, p, *scratch_);
    return *scratch_;
  }
  return ahead_->side(p, *scratch_);
}

// Writes p's cells into the current row, on the left or right, or by p's sex
// (left when male); returns whether p is male.
bool RowAssembly::placePerson(int32_t p, bool left, bool leftWhenMale) {
  const PreparedSide& side = preparedSide(p);
  SideCells& to = sides_[(leftWhenMale ? side.male : left) ? 0 : 1];
  to.text.assign(side.text);
  to.ends = side.ends;
  return side.male;
}

void RowAssembly::copySide(int fromRow, bool fromLeft, bool toLeft) {
  SideCells& to = sides_[toLeft ? 0 : 1];
  if (fromRow == current_) {
    if (fromLeft != toLeft) to = sides_[fromLeft ? 0 : 1];
    return;
  }
  // A side's cells lie together in the row's text.
  const int from = fromLeft ? 0 : kRightOffset;
  const std::string_view text = table_.rowText(fromRow);
  const size_t begin = static_cast<size_t>(table_.cell(from, fromRow).data() - text.data());
  for (size_t c = 0; c < kPersonColumns; ++c) {
    const std::string_view cell = table_.cell(from + static_cast<int>(c), fromRow);
    to.ends[c] = static_cast<uint32_t>(static_cast<size_t>(cell.data() - text.data()) + cell.size() - begin);
  }
  to.text.assign(text.substr(begin, to.ends[kPersonColumns - 1]));
}

void RowAssembly::writeMarriage(int32_t family) {
  if (!ex_.isRecord(family)) return;
  marriage_.clear();
  appendMarriageCells(marriage_, marriageEnds_, ex_.marriageItems(family));
}

// A couple with several families: the marriage events of all, in file
// order, by the one rule of marriage 1 and 2, and the notes of all.
void RowAssembly::writeMarriages(std::span<const int32_t> families) {
  if (families.size() == 1) return writeMarriage(families.front());
  const MarriageItems items = ex_.GetMarriageItems(families);
  std::array<std::string, 5> lines;
  for (size_t i = 0; i < items.size(); ++i) appendCrlfLines(lines[i], items[i]);
  marriage_.clear();
  appendMarriageCells(marriage_, marriageEnds_, {lines[0], lines[1], lines[2], lines[3], lines[4]});
}

void RowAssembly::finishRow() {
  rowText_.clear();
  size_t column = 0;
  auto append = [&](const std::string& text, std::span<const uint32_t> ends) {
    const uint32_t base = static_cast<uint32_t>(rowText_.size());
    rowText_ += text;
    for (uint32_t end : ends) rowEnds_[column++] = base + end;
  };
  append(sides_[0].text, sides_[0].ends);
  append(marriage_, marriageEnds_);
  append(sides_[1].text, sides_[1].ends);
  table_.setRow(current_, rowText_, rowEnds_);
  for (SideCells& side : sides_) {
    side.text.clear();
    side.ends.fill(0);
  }
  marriage_.clear();
  marriageEnds_.fill(0);
  if (ahead_) ahead_->advance(handled_);
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
    marriageFamilies(a, q, families_);
    if (!families_.empty()) writeMarriages(families_);
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
  if (ahead_) ahead_->advance(handled_);
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
