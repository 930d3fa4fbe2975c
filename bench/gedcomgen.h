#pragma once
// A deterministic generator of realistic GEDCOM files for benchmarks: persons
// with names, sex, events with dates and places, occupation, religion and
// notes with CONT/CONC, families with marriages and children, some second
// marriages. The same options always give the same bytes.
//
// Optionally the first persons form one long remarriage chain: person 1
// married person 2, whose other spouse is person 3, whose other spouse is
// person 4, and so on, which stresses partner recursion downstream.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace rowsmith::bench {

struct GedcomGenOptions {
  int64_t persons = 1000;
  int64_t chain = 0;    // persons of the remarriage chain, counted in persons
  bool utf8 = true;     // UTF-8 with "1 CHAR UTF-8", else Windows-1252 with ANSI
  bool crlf = true;     // line ends CR LF, else LF
  uint64_t seed = 20240601;
};

namespace detail {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {  // splitmix64: fixed results on every platform
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int64_t below(int64_t n) { return n <= 0 ? 0 : static_cast<int64_t>(next() % static_cast<uint64_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }
  template <size_t N>
  const char* pick(const char* const (&items)[N]) { return items[below(N)]; }

 private:
  uint64_t state_;
};

// Texts are written in UTF-8 here and turned into Windows-1252 on demand.
inline std::string toAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      unsigned char d = static_cast<unsigned char>(utf8[++i]);
      out += static_cast<char>(c == 0xC2 ? d : d + 0x40);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

inline constexpr const char* kMaleNames[] = {
    "Johann", "Georg", "Friedrich", "Karl", "Heinrich", "Wilhelm", "Jürgen", "Josef", "Franz", "Ludwig",
    "Andreas", "Matthäus", "Konrad", "Peter", "Jörg", "Bernhard", "Nikolaus", "Sebastian", "Ulrich", "Günther"};
inline constexpr const char* kFemaleNames[] = {
    "Anna", "Maria", "Elisabeth", "Katharina", "Margarethe", "Barbara", "Sophie", "Dorothea", "Käthe", "Luise",
    "Christine", "Theresia", "Agnes", "Magdalena", "Helene", "Gertrud", "Ursula", "Rosalie", "Bärbel", "Johanna"};
inline constexpr const char* kSurnames[] = {
    "Müller", "Schäfer", "Schmidt", "Schneider", "Fischer", "Weber", "Böhm", "Krüger", "Hoffmann", "Schröder",
    "Köhler", "Groß", "Jäger", "Möller", "Bäcker", "Wagner", "Becker", "Schulz", "Löwe", "Hübner",
    "Neumann", "Schwarz", "Zimmermann", "Krämer", "Vogt", "Würth", "Braun", "Hofmann", "Lang", "Fuß"};
inline constexpr const char* kPlaces[] = {
    "Köln", "Düsseldorf", "München", "Nürnberg", "Würzburg", "Göttingen", "Lübeck", "Mönchengladbach",
    "Osnabrück", "Fürth", "Bonn", "Aachen", "Münster", "Saarbrücken", "Tübingen", "Lüneburg",
    "Köln, St. Gereon", "Hameln, Weserbergland", "Jülich, Kreis Düren", "Königswinter"};
inline constexpr const char* kOccupations[] = {
    "Bäckermeister", "Landwirt", "Tagelöhner", "Schuhmacher", "Weber", "Lehrer", "Müller", "Schmied",
    "Kaufmann", "Zimmermann", "Näherin", "Dienstmagd", "Fuhrmann", "Gastwirt", "Küfer", "Pfarrer"};
inline constexpr const char* kReligions[] = {"röm.-kath.", "ev.-luth.", "ev.-ref.", "katholisch", "evangelisch"};
inline constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
inline constexpr const char* kNoteWords[] = {
    "übernahm", "die", "Bäckerei", "seines", "Vaters", "in", "der", "Hohen", "Straße", "und", "führte",
    "sie", "bis", "zu", "seinem", "Tod", "weiter", "laut", "Kirchenbuch", "getauft", "Zeugen", "waren",
    "Nachbarn", "aus", "dem", "Dorf", "später", "nach", "Amerika", "ausgewandert", "Hof", "geerbt"};

struct Person {
  bool male = true;
  int64_t famc = -1;               // family as child
  std::vector<int64_t> fams;       // families as spouse
  int birthYear = 1800;
};

struct Family {
  int64_t husband = -1;
  int64_t wife = -1;
  std::vector<int64_t> children;
  int year = 1825;
};

class Generator {
 public:
  Generator(const GedcomGenOptions& options, std::string& out)
      : options_(options), random_(options.seed), out_(out), end_(options.crlf ? "\r\n" : "\n") {}

  void buildTree() {
    const int64_t total = std::max<int64_t>(options_.persons, 0);
    const int64_t chain = std::min(options_.chain, total);
    for (int64_t i = 0; i < chain; ++i) {
      int64_t p = newPerson(i % 2 == 0, 1800 + static_cast<int>(i % 80));
      if (i > 0) marry(i % 2 == 0 ? p : p - 1, i % 2 == 0 ? p - 1 : p, 1825 + static_cast<int>(i % 80));
    }
    // Families grow generation by generation from the persons created so far.
    int64_t next = chain;
    while (static_cast<int64_t>(persons_.size()) < total) {
      if (next >= static_cast<int64_t>(persons_.size())) {
        newPerson(random_.chance(50), 1750 + static_cast<int>(random_.below(60)));
        continue;
      }
      const int64_t p = next++;
      if (!persons_[p].fams.empty() || !random_.chance(75)) continue;
      int marriages = random_.chance(12) ? 2 : 1;
      for (int m = 0; m < marriages && static_cast<int64_t>(persons_.size()) < total; ++m) {
        int64_t spouse = newPerson(!persons_[p].male, persons_[p].birthYear + static_cast<int>(random_.below(9)) - 4);
        int year = persons_[p].birthYear + 20 + static_cast<int>(random_.below(10)) + 12 * m;
        int64_t fam = persons_[p].male ? marry(p, spouse, year) : marry(spouse, p, year);
        int64_t children = random_.below(6);
        for (int64_t c = 0; c < children && static_cast<int64_t>(persons_.size()) < total; ++c) {
          int64_t child = newPerson(random_.chance(51), year + 1 + static_cast<int>(2 * c + random_.below(2)));
          persons_[child].famc = fam;
          families_[fam].children.push_back(child);
        }
      }
    }
  }

  // Appends the file to out; calls flush(out) whenever out grew large.
  template <typename Flush>
  void write(Flush&& flush) {
    line("0 HEAD");
    line("1 SOUR GEDCOMGEN");
    line("2 NAME Benchmark generator");
    line("1 GEDC");
    line("2 VERS 5.5.1");
    line("2 FORM LINEAGE-LINKED");
    line(options_.utf8 ? "1 CHAR UTF-8" : "1 CHAR ANSI");
    line("1 LANG German");
    for (size_t i = 0; i < persons_.size(); ++i) {
      writePerson(static_cast<int64_t>(i));
      if (out_.size() > (1u << 20)) flush(out_);
    }
    for (size_t i = 0; i < families_.size(); ++i) {
      writeFamily(static_cast<int64_t>(i));
      if (out_.size() > (1u << 20)) flush(out_);
    }
    line("0 TRLR");
    flush(out_);
  }

 private:
  int64_t newPerson(bool male, int birthYear) {
    persons_.push_back(Person{male, -1, {}, birthYear});
    return static_cast<int64_t>(persons_.size()) - 1;
  }

  int64_t marry(int64_t husband, int64_t wife, int year) {
    families_.push_back(Family{husband, wife, {}, year});
    int64_t fam = static_cast<int64_t>(families_.size()) - 1;
    persons_[husband].fams.push_back(fam);
    persons_[wife].fams.push_back(fam);
    return fam;
  }

  void text(std::string_view utf8) {
    if (options_.utf8) {
      out_.append(utf8);
    } else {
      out_.append(toAnsi(utf8));
    }
  }

  void line(std::string_view utf8) {
    text(utf8);
    out_.append(end_);
  }

  void xrefLine(const char* prefix, char kind, int64_t index, const char* suffix) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s@%c%lld@%s", prefix, kind, static_cast<long long>(index + 1), suffix);
    line(buf);
  }

  void date(int year) {
    char buf[64];
    int day = 1 + static_cast<int>(random_.below(28));
    const char* month = random_.pick(kMonths);
    switch (random_.below(10)) {
      case 0:
        std::snprintf(buf, sizeof buf, "2 DATE ABT %d", year);
        break;
      case 1:
        std::snprintf(buf, sizeof buf, "2 DATE BET %d AND %d", year - 1, year + 1);
        break;
      case 2:
        std::snprintf(buf, sizeof buf, "2 DATE %s %d", month, year);
        break;
      case 3:
        std::snprintf(buf, sizeof buf, "2 DATE BEF %d %s %d", day, month, year);
        break;
      default:
        std::snprintf(buf, sizeof buf, "2 DATE %d %s %d", day, month, year);
        break;
    }
    line(buf);
  }

  void event(const char* tag, int year) {
    line(tag);
    date(year);
    text("2 PLAC ");
    line(random_.pick(kPlaces));
  }

  // A note of one to five sentences, wrapped with CONC and CONT lines.
  void note(const char* level) {
    std::string sentence;
    int words = 8 + static_cast<int>(random_.below(60));
    for (int w = 0; w < words; ++w) {
      if (w) sentence += ' ';
      sentence += random_.pick(kNoteWords);
    }
    sentence += '.';
    std::string head = std::string(level) + " NOTE ";
    std::string cont = std::string(1, static_cast<char>(level[0] + 1)) + " CONT ";
    std::string conc = std::string(1, static_cast<char>(level[0] + 1)) + " CONC ";
    size_t pos = 0;
    bool first = true;
    while (pos < sentence.size()) {
      size_t len = std::min<size_t>(60, sentence.size() - pos);
      // Never split inside a UTF-8 sequence.
      while (pos + len < sentence.size() && (static_cast<unsigned char>(sentence[pos + len]) & 0xC0) == 0x80) --len;
      text(first ? head : conc);
      line(std::string_view(sentence).substr(pos, len));
      pos += len;
      first = false;
    }
    if (random_.chance(40)) {
      text(cont);
      line("Quelle: Kirchenbuch, Band " + std::to_string(1 + random_.below(40)) + ", Seite " +
           std::to_string(1 + random_.below(400)));
    }
  }

  void writePerson(int64_t i) {
    const Person& p = persons_[static_cast<size_t>(i)];
    xrefLine("0 ", 'I', i, " INDI");
    std::string given = random_.pick(p.male ? kMaleNames : kFemaleNames);
    if (random_.chance(30)) given += std::string(" ") + random_.pick(p.male ? kMaleNames : kFemaleNames);
    std::string surname = random_.pick(kSurnames);
    line("1 NAME " + given + " /" + surname + "/");
    line("2 GIVN " + given);
    line("2 SURN " + surname);
    line(p.male ? "1 SEX M" : "1 SEX F");
    event("1 BIRT", p.birthYear);
    if (random_.chance(70)) event("1 CHR", p.birthYear);
    int deathYear = p.birthYear + 1 + static_cast<int>(random_.below(85));
    if (random_.chance(60)) event("1 DEAT", deathYear);
    if (random_.chance(45)) event("1 BURI", deathYear);
    if (random_.chance(50)) line(std::string("1 OCCU ") + random_.pick(kOccupations));
    if (random_.chance(40)) line(std::string("1 RELI ") + random_.pick(kReligions));
    if (random_.chance(25)) note("1");
    for (int64_t fam : p.fams) xrefLine("1 FAMS ", 'F', fam, "");
    if (p.famc >= 0) xrefLine("1 FAMC ", 'F', p.famc, "");
  }

  void writeFamily(int64_t i) {
    const Family& f = families_[static_cast<size_t>(i)];
    xrefLine("0 ", 'F', i, " FAM");
    xrefLine("1 HUSB ", 'I', f.husband, "");
    xrefLine("1 WIFE ", 'I', f.wife, "");
    event("1 MARR", f.year);
    if (random_.chance(10)) note("2");
    for (int64_t c : f.children) xrefLine("1 CHIL ", 'I', c, "");
  }

  GedcomGenOptions options_;
  Random random_;
  std::string& out_;
  std::string end_;
  std::vector<Person> persons_;
  std::vector<Family> families_;
};

}  // namespace detail

// Calls sink(std::string_view) with consecutive pieces of the file.
template <typename Sink>
void generateGedcom(const GedcomGenOptions& options, Sink&& sink) {
  std::string buffer;
  detail::Generator generator(options, buffer);
  generator.buildTree();
  generator.write([&](std::string& out) {
    sink(std::string_view(out));
    out.clear();
  });
}

inline std::string generateGedcomText(const GedcomGenOptions& options) {
  std::string text;
  generateGedcom(options, [&](std::string_view piece) { text.append(piece); });
  return text;
}

// Writes the file; false when it cannot be written.
inline bool writeGedcomFile(const std::string& path, const GedcomGenOptions& options) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = true;
  generateGedcom(options, [&](std::string_view piece) {
    if (ok && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) ok = false;
  });
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

// One man married to partners wives, each family listed on his side (FAMS)
// and naming both spouses (HUSB/WIFE): the widest partner walk there is.
inline std::string starGedcomText(int64_t partners) {
  std::string out = "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r\n1 NAME Johann /Stern/\r\n1 SEX M\r\n";
  for (int64_t f = 1; f <= partners; ++f) out += "1 FAMS @F" + std::to_string(f) + "@\r\n";
  for (int64_t w = 2; w <= partners + 1; ++w) {
    out += "0 @I" + std::to_string(w) + "@ INDI\r\n1 NAME Anna /Frau" + std::to_string(w) + "/\r\n1 SEX F\r\n";
  }
  for (int64_t f = 1; f <= partners; ++f) {
    out += "0 @F" + std::to_string(f) + "@ FAM\r\n1 HUSB @I1@\r\n1 WIFE @I" + std::to_string(f + 1) +
           "@\r\n1 MARR\r\n2 DATE 1 MAY 1875\r\n";
  }
  return out + "0 TRLR\r\n";
}

// One couple with children children in a single family.
inline std::string bigFamilyGedcomText(int64_t children) {
  std::string out = "0 HEAD\r\n1 CHAR ANSI\r\n";
  out += "0 @I1@ INDI\r\n1 NAME Johann /Gross/\r\n1 SEX M\r\n1 FAMS @F1@\r\n";
  out += "0 @I2@ INDI\r\n1 NAME Maria /Gross/\r\n1 SEX F\r\n1 FAMS @F1@\r\n";
  for (int64_t c = 3; c <= children + 2; ++c) {
    out += "0 @I" + std::to_string(c) + "@ INDI\r\n1 NAME Kind" + std::to_string(c) + " /Gross/\r\n1 FAMC @F1@\r\n";
  }
  out += "0 @F1@ FAM\r\n1 HUSB @I1@\r\n1 WIFE @I2@\r\n";
  for (int64_t c = 3; c <= children + 2; ++c) out += "1 CHIL @I" + std::to_string(c) + "@\r\n";
  return out + "0 TRLR\r\n";
}

}  // namespace rowsmith::bench
