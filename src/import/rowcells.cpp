#include "import/rowcells.h"

#include <charconv>
#include <utility>

#include "kernel/utf8text.h"
#include "kernel/dates.h"
#include "kernel/names.h"

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

// Cells one after the other into a side.
class SideWriter {
 public:
  explicit SideWriter(PreparedSide& out) : out_(out) { out_.text.clear(); }
  void cell(std::string_view text) {
    out_.text.append(text);
    end();
  }
  // Stored in the sortable form; the cell is shown in the chosen form.
  void date(std::string_view gedcomDate) {
    appendSortDate(out_.text, gedcomDate);
    end();
  }
  void number(int32_t n) {
    appendDecimal(out_.text, n);
    end();
  }
  std::string& text() { return out_.text; }
  void end() { out_.ends[cell_++] = static_cast<uint32_t>(out_.text.size()); }

 private:
  PreparedSide& out_;
  size_t cell_ = 0;
};

// The person's values, reused by each thread from one person to the next.
thread_local PersonFields personFields;

}  // namespace

void appendDecimal(std::string& text, int32_t n) {
  char buf[16];
  text.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, n).ptr - buf));
}

void prepareSide(const Extractor& ex, int32_t p, PreparedSide& out) {
  SideWriter side(out);
  PersonFields& raw = personFields;
  if (p == 0 || !ex.readPersonFields(p, raw)) {
    // The placeholder and unknown records, as the person record gives them.
    TPersRec person;
    ex.GetPersonRecord(p, person);
    out.male = person.Sex == 1;
    side.cell(person.ID);
    side.text() += person.GivenName;
    side.text() += ' ';
    side.cell(person.Surname);
    side.cell(person.GivenName);
    side.cell(person.Surname);
    side.cell(person.Sex == 1 ? "M" : person.Sex == 2 ? "W" : "");
    for (int c = 5; c < 15; ++c) side.end();
  } else {
    const SplitName names = personNames(raw);
    const std::string_view given = trimView(names.given), surname = trimView(names.surname);
    const std::string_view sex = trimView(raw.sex);
    const std::string sexCode = sex.size() == 1 ? asciiUpperCase(sex) : std::string();
    out.male = sexCode == "M";
    side.number(p);
    side.text() += given;
    side.text() += ' ';
    side.cell(surname);
    side.cell(given);
    side.cell(surname);
    side.cell(out.male ? "M" : sexCode == "F" ? "W" : "");
    side.date(raw.dates[PersonFields::kBirth]);
    side.cell(trimView(raw.places[PersonFields::kBirth]));
    side.date(raw.dates[PersonFields::kChristening]);
    side.cell(trimView(raw.places[PersonFields::kChristening]));
    side.date(raw.dates[PersonFields::kDeath]);
    side.cell(trimView(raw.places[PersonFields::kDeath]));
    side.date(raw.dates[PersonFields::kBurial]);
    side.cell(trimView(raw.places[PersonFields::kBurial]));
    side.cell(trimView(raw.religion));
    side.cell(trimView(raw.occupation));
  }
  side.cell(notesCell(ex.GetPersonNotes(p)));
  const Extractor::Couple parents = ex.parentCells(p);
  side.number(parents.husband);
  side.number(parents.wife);
}

}  // namespace rowsmith
