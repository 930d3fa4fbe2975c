#include "import/rows.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "kernel/ansitext.h"
#include "kernel/dates.h"

namespace rowsmith {

namespace {

std::string decimal(int32_t n) { return std::to_string(n); }

// Notes lines end in LF; cells break lines with CR LF. A CR already before an
// LF stays, as the replace-all of LF by CR LF would leave it.
std::string notesCell(std::string_view notes) {
  std::string out;
  out.reserve(notes.size() + notes.size() / 16 + 2);
  for (char c : notes) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return trimText(out);
}

}  // namespace

namespace {

// Cells "ID :" to "Bemerkungen :": all but the parents, which the family
// cache answers.
void ownCells(const Extractor& ex, TPersRec&& a, int32_t p, bool western, PersonSide& cells) {
  const uint8_t sex = a.Sex;
  cells[1].reserve(a.GivenName.size() + 1 + a.Surname.size());
  cells[1] = a.GivenName;
  cells[1] += ' ';
  cells[1] += a.Surname;
  cells[0] = std::move(a.ID);
  cells[2] = std::move(a.GivenName);
  cells[3] = std::move(a.Surname);
  cells[4] = std::string(sex == 1 ? "M" : sex == 2 ? "W" : "");
  cells[5] = DateForDisplay(a.BirthDate, western);
  cells[6] = std::move(a.BirthPlace);
  cells[7] = DateForDisplay(a.ChrDate, western);
  cells[8] = std::move(a.ChrPlace);
  cells[9] = DateForDisplay(a.DeathDate, western);
  cells[10] = std::move(a.DeathPlace);
  cells[11] = DateForDisplay(a.BurialDate, western);
  cells[12] = std::move(a.BurialPlace);
  cells[13] = std::move(a.Religion);
  cells[14] = std::move(a.Occupation);
  cells[15] = notesCell(ex.GetPersonNotes(p));
}

void assignDecimal(std::string& cell, int32_t n) {
  char buf[16];
  cell.assign(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, n).ptr - buf));
}

constexpr size_t kOwnCells = 16;
// How far the reading ahead may run before the rows: bounds the memory the
// prepared cells take.
constexpr size_t kAheadWindow = 16384;
constexpr size_t kAheadLead = 64;

}  // namespace

PersonSide personSideCells(Extractor& ex, TPersRec a, int32_t p, bool western) {
  PersonSide cells;
  std::vector<int32_t> parents = ex.GetParentIDs(toInt32(trimView(a.ID)).value_or(0));
  ownCells(ex, std::move(a), p, western, cells);
  cells[16] = parents.size() >= 1 ? decimal(parents[0]) : "0";
  cells[17] = parents.size() >= 2 ? decimal(parents[1]) : "0";
  return cells;
}

void WritePersonSide(Extractor& ex, StringTable& table, bool left, int row, const TPersRec& person, int32_t p,
                     bool western) {
  PersonSide cells = personSideCells(ex, person, p, western);
  const int offset = left ? 0 : kRightOffset;
  for (int c = 0; c < kPersonColumns; ++c) table.setCell(offset + c, row, cells[static_cast<size_t>(c)]);
}

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

// A person's own cells, one buffer for all sixteen.
struct RowAssembly::Prepared {
  std::string text;
  std::array<uint32_t, kOwnCells> ends{};
  bool male = false;
};

// The persons read ahead: slot i belongs to persons[i]. A slot is free (0),
// taken by the rows, which read the person themselves (1), or filled by the
// reader ahead (2). Whoever takes a slot first reads the person, so each is
// read once. The reader ahead fills slot i into ring[i % kRing] and stays
// within kAheadWindow of the rows, so it only reuses places the rows are done
// with, and the cells of a million persons never all wait in memory at once.
struct RowAssembly::Ahead {
  static constexpr size_t kRing = 2 * kAheadWindow;
  std::vector<int32_t> persons;
  std::vector<int32_t> slotOf;  // record -> slot, -1 without one
  std::unique_ptr<std::atomic<uint8_t>[]> state;
  std::vector<Prepared> ring;
  // Slot of the person the rows are at; every slot before it is done with.
  std::atomic<size_t> position{0};
  std::atomic<bool> stop{false};
  std::thread worker;
};

RowAssembly::RowAssembly(Extractor& ex, StringTable& table, bool western)
    : ex_(ex),
      table_(table),
      western_(western),
      handled_(static_cast<size_t>(ex.recordCount()), 0),
      scratch_(std::make_unique<Prepared>()) {}

RowAssembly::~RowAssembly() {
  if (ahead_ && ahead_->worker.joinable()) {
    ahead_->stop = true;
    ahead_->worker.join();
  }
}

void RowAssembly::prepareSide(int32_t p, Prepared& out) const {
  // Runs on the reader ahead too: only const reads of the extractor.
  const Extractor& reader = ex_;
  TPersRec person;
  reader.GetPersonRecord(p, person);
  out.male = person.Sex == 1;
  PersonSide cells;
  ownCells(reader, std::move(person), p, western_, cells);
  size_t size = 0;
  for (size_t c = 0; c < kOwnCells; ++c) size += cells[c].size();
  out.text.clear();
  out.text.reserve(size);
  for (size_t c = 0; c < kOwnCells; ++c) {
    out.text += cells[c];
    out.ends[c] = static_cast<uint32_t>(out.text.size());
  }
}

void RowAssembly::prepare(std::span<const int32_t> persons) {
  if (ahead_ || persons.empty() || std::thread::hardware_concurrency() < 2) return;
  // The reader ahead only reads the index and the link index; build the
  // latter now so that nothing it reads is written while it runs.
  ex_.famsLinks(persons.front());
  auto ahead = std::make_unique<Ahead>();
  ahead->persons.assign(persons.begin(), persons.end());
  ahead->slotOf.assign(static_cast<size_t>(ex_.recordCount()), -1);
  for (size_t i = 0; i < persons.size(); ++i) {
    if (ex_.isRecord(persons[i])) ahead->slotOf[static_cast<size_t>(persons[i])] = static_cast<int32_t>(i);
  }
  ahead->state.reset(new std::atomic<uint8_t>[persons.size()]());
  ahead->ring.resize(std::min(persons.size(), Ahead::kRing));
  Ahead& a = *ahead;
  ahead_ = std::move(ahead);
  try {
    a.worker = std::thread([this, &a] {
      try {
        for (size_t i = 0; i < a.persons.size() && !a.stop.load(std::memory_order_relaxed); ++i) {
          // Where the rows have caught up, keep a lead instead of taking turns
          // with them slot by slot; they read the persons in between.
          i = std::max(i, a.position.load(std::memory_order_acquire) + kAheadLead);
          if (i >= a.persons.size()) break;
          while (i > a.position.load(std::memory_order_acquire) + kAheadWindow &&
                 !a.stop.load(std::memory_order_relaxed)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
          }
          uint8_t expected = 0;
          if (!a.state[i].compare_exchange_strong(expected, 1, std::memory_order_acquire)) continue;
          try {
            prepareSide(a.persons[i], a.ring[i % Ahead::kRing]);
          } catch (...) {
            a.state[i].store(0, std::memory_order_release);  // the rows read it themselves
            throw;
          }
          a.state[i].store(2, std::memory_order_release);
        }
      } catch (...) {
        // Out of memory on the way: the rows read what is left themselves.
      }
    });
  } catch (const std::system_error&) {
    ahead_.reset();  // no second thread: the rows read every person
  }
}

const RowAssembly::Prepared& RowAssembly::preparedSide(int32_t p) {
  const int32_t s = ahead_ ? ahead_->slotOf[static_cast<size_t>(p)] : -1;
  if (s < 0) {
    prepareSide(p, *scratch_);
    return *scratch_;
  }
  std::atomic<uint8_t>& state = ahead_->state[static_cast<size_t>(s)];
  for (;;) {
    uint8_t seen = state.load(std::memory_order_acquire);
    if (seen == 2) return ahead_->ring[static_cast<size_t>(s) % Ahead::kRing];
    if (seen == 0 && state.compare_exchange_strong(seen, 1, std::memory_order_acquire)) {
      prepareSide(p, *scratch_);
      return *scratch_;
    }
    std::this_thread::yield();  // the reader ahead is filling it
  }
}

// Writes p's cells into the current row, on the left or right, or by p's sex
// (left when male); returns whether p is male.
bool RowAssembly::placePerson(int32_t p, bool left, bool leftWhenMale) {
  const Prepared& side = preparedSide(p);
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

void RowAssembly::AddPersonRows(int32_t p) {
  if (!ex_.isRecord(p)) return;
  if (ahead_) {
    const int32_t s = ahead_->slotOf[static_cast<size_t>(p)];
    // Release: the reader ahead reuses the places of the slots before it.
    if (s >= 0 && static_cast<size_t>(s) > ahead_->position.load(std::memory_order_relaxed)) {
      ahead_->position.store(static_cast<size_t>(s), std::memory_order_release);
    }
  }
  if (handled_[static_cast<size_t>(p)]) return;
  handled_[static_cast<size_t>(p)] = 1;
  const bool male = placePerson(p, false, true);
  stack_.push_back(Frame{p, male, true, 0, 0, current_, male, nullptr});

  while (!stack_.empty()) {
    Frame& f = stack_.back();
    const int32_t a = f.person;
    std::span<const Extractor::FamsLink> links = ex_.famsLinks(a);
    bool descended = false;
    while (!descended && f.link < links.size()) {
      const Extractor::Couple couple = ex_.spouseCouple(links[f.link].family);
      const bool husbandReal = couple.husband != a && couple.husband >= 1;
      const bool wifeReal = couple.wife != a && couple.wife >= 1;
      if (!husbandReal && !wifeReal) {
        // A family that names no other person: the person alone with that
        // family's marriage data.
        if (firstLinkTo(f, links, f.link)) {
          if (!f.pending) copySide(f.lastRow, f.lastLeft, f.male);
          writeMarriage(links[f.link].family);
          f.pending = false;
          f.lastRow = current_;
          f.lastLeft = f.male;
          finishRow();
        }
        ++f.link;
        f.entry = 0;
        continue;
      }
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
        stack_.push_back(Frame{q, partnerMale, false, 0, 0, row, partnerLeft, nullptr});
        descended = true;  // f is no longer valid after the push
        break;
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

std::span<const int32_t> RowAssembly::slice(const std::vector<int32_t>& items, const std::vector<uint32_t>& start,
                                            int32_t key) const {
  if (key < 0 || static_cast<size_t>(key) + 1 >= start.size()) return {};
  return std::span<const int32_t>(items.data() + start[static_cast<size_t>(key)],
                                  start[static_cast<size_t>(key) + 1] - start[static_cast<size_t>(key)]);
}

// Counting sort of (key, value) pairs into a compact index.
static void buildIndex(const std::vector<std::pair<int32_t, int32_t>>& pairs, size_t keys,
                       std::vector<int32_t>& items, std::vector<uint32_t>& start) {
  start.assign(keys + 1, 0);
  for (const auto& [key, value] : pairs) ++start[static_cast<size_t>(key) + 1];
  for (size_t k = 0; k < keys; ++k) start[k + 1] += start[k];
  items.resize(pairs.size());
  std::vector<uint32_t> fill(start.begin(), start.end() - 1);
  for (const auto& [key, value] : pairs) items[fill[static_cast<size_t>(key)]++] = value;
}

void RowAssembly::buildFamilyIndex() {
  const int32_t records = ex_.recordCount();
  std::vector<std::pair<int32_t, int32_t>> listed;  // (family, record that lists it)
  for (int32_t r = 0; r < records; ++r) {
    for (const Extractor::FamsLink& link : ex_.famsLinks(r)) {
      if (link.listedFamily >= 0) listed.emplace_back(link.listedFamily, r);
    }
  }
  buildIndex(listed, static_cast<size_t>(records), linkers_, linkerStart_);

  std::vector<std::pair<int32_t, int32_t>> spouses;  // (spouse, family)
  for (int32_t family = 0; family < records; ++family) {
    if (linkerStart_[static_cast<size_t>(family)] == linkerStart_[static_cast<size_t>(family) + 1]) continue;
    bool found = false;
    Extractor::Couple couple = ex_.memberCouple(family, found);
    if (!found) continue;
    if (couple.husband >= 1) spouses.emplace_back(couple.husband, family);
    if (couple.wife >= 1 && couple.wife != couple.husband) spouses.emplace_back(couple.wife, family);
  }
  buildIndex(spouses, static_cast<size_t>(records), spouseFamilies_, spouseFamilyStart_);
}

int32_t RowAssembly::marriageFamily(int32_t p, int32_t q) {
  if (spouseFamilyStart_.empty()) buildFamilyIndex();
  int32_t best = -1;
  for (int32_t family : slice(spouseFamilies_, spouseFamilyStart_, p)) {
    bool found = false;
    Extractor::Couple c = ex_.memberCouple(family, found);
    if (!((c.husband == p && c.wife == q) || (c.husband == q && c.wife == p))) continue;
    if (best >= 0 && !recordTextLess(best, family)) continue;
    // The family counts when someone of p's spouse closure lists it. p lists
    // its own families and q, p's partner, is in the closure; anyone else
    // must be reachable from p through spouse links.
    std::span<const int32_t> listers = slice(linkers_, linkerStart_, family);
    bool listed = std::find_if(listers.begin(), listers.end(),
                               [&](int32_t r) { return r == p || r == q; }) != listers.end();
    for (size_t i = 0; !listed && i < listers.size(); ++i) listed = reaches(p, listers[i]);
    if (listed) best = family;
  }
  return best;
}

// Spouse links: a record points at the husband and wife of every family its
// FAMS lines name.
void RowAssembly::buildComponents() {
  // Iterative Tarjan over all records.
  const int32_t n = ex_.recordCount();
  component_.assign(static_cast<size_t>(n), -1);
  std::vector<int32_t> index(static_cast<size_t>(n), -1), low(static_cast<size_t>(n), 0);
  std::vector<uint8_t> onStack(static_cast<size_t>(n), 0);
  std::vector<int32_t> sccStack;
  struct Visit {
    int32_t node;
    uint32_t edge;  // 2 per link: husband, wife
  };
  std::vector<Visit> calls;
  int32_t counter = 0, components = 0;
  auto target = [&](int32_t node, uint32_t edge) {
    std::span<const Extractor::FamsLink> links = ex_.famsLinks(node);
    Extractor::Couple c = ex_.spouseCouple(links[edge / 2].family);
    return edge % 2 == 0 ? c.husband : c.wife;
  };
  for (int32_t root = 0; root < n; ++root) {
    if (index[static_cast<size_t>(root)] >= 0) continue;
    calls.push_back({root, 0});
    index[static_cast<size_t>(root)] = low[static_cast<size_t>(root)] = counter++;
    sccStack.push_back(root);
    onStack[static_cast<size_t>(root)] = 1;
    while (!calls.empty()) {
      Visit& v = calls.back();
      const uint32_t edges = static_cast<uint32_t>(ex_.famsLinks(v.node).size()) * 2;
      if (v.edge < edges) {
        int32_t w = target(v.node, v.edge++);
        if (w < 1 || w >= n) continue;
        if (index[static_cast<size_t>(w)] < 0) {
          index[static_cast<size_t>(w)] = low[static_cast<size_t>(w)] = counter++;
          sccStack.push_back(w);
          onStack[static_cast<size_t>(w)] = 1;
          calls.push_back({w, 0});
        } else if (onStack[static_cast<size_t>(w)]) {
          low[static_cast<size_t>(v.node)] = std::min(low[static_cast<size_t>(v.node)], index[static_cast<size_t>(w)]);
        }
        continue;
      }
      const int32_t node = v.node;
      calls.pop_back();
      if (!calls.empty()) {
        int32_t parent = calls.back().node;
        low[static_cast<size_t>(parent)] = std::min(low[static_cast<size_t>(parent)], low[static_cast<size_t>(node)]);
      }
      if (low[static_cast<size_t>(node)] == index[static_cast<size_t>(node)]) {
        int32_t w;
        do {
          w = sccStack.back();
          sccStack.pop_back();
          onStack[static_cast<size_t>(w)] = 0;
          component_[static_cast<size_t>(w)] = components;
        } while (w != node);
        ++components;
      }
    }
  }
}

bool RowAssembly::reaches(int32_t from, int32_t to) {
  if (from == to) return true;
  if (component_.empty()) buildComponents();
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
