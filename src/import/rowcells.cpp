#include "import/rowcells.h"

#include <charconv>
#include <utility>

#include "kernel/ansitext.h"
#include "kernel/dates.h"

namespace rowsmith {

namespace {

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

// All cells but the parents, which the family cache answers.
void ownCells(const Extractor& ex, TPersRec&& a, int32_t p, bool western, std::array<std::string, kOwnCells>& cells) {
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

}  // namespace

void appendDecimal(std::string& text, int32_t n) {
  char buf[16];
  text.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, n).ptr - buf));
}

void prepareSide(const Extractor& ex, int32_t p, bool western, PreparedSide& out) {
  TPersRec person;
  ex.GetPersonRecord(p, person);
  out.male = person.Sex == 1;
  std::array<std::string, kOwnCells> cells;
  ownCells(ex, std::move(person), p, western, cells);
  size_t size = 0;
  for (size_t c = 0; c < kOwnCells; ++c) size += cells[c].size();
  out.text.clear();
  out.text.reserve(size);
  for (size_t c = 0; c < kOwnCells; ++c) {
    out.text += cells[c];
    out.ends[c] = static_cast<uint32_t>(out.text.size());
  }
  const Extractor::Couple parents = ex.parentCells(p);
  appendDecimal(out.text, parents.husband);
  out.ends[kOwnCells] = static_cast<uint32_t>(out.text.size());
  appendDecimal(out.text, parents.wife);
  out.ends[kOwnCells + 1] = static_cast<uint32_t>(out.text.size());
}

}  // namespace rowsmith
