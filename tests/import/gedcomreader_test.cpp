#include "import/gedcomreader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "import/gedcomlines.h"
#include "import/splitreading.h"
#include "import/gedcomindex.h"
#include "import/loadedgedcom.h"
#include "kernel/textcodec.h"
#include "os/osfile.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::utf16;

struct FieldLine {
  int32_t blockNo;
  std::string tag;
  int32_t level;
  std::string value;
  bool operator==(const FieldLine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const FieldLine& f) {
  return out << "{" << f.blockNo << " '" << f.tag << "' " << f.level << " '" << f.value << "'}";
}

class GedcomReaderTest : public ::testing::Test {
 protected:
  std::string write(std::string_view name, std::string_view bytes) {
    std::string path = dir.file(name);
    test::writeFileBytes(path, bytes);
    return path;
  }

  int32_t read(const std::string& path) {
    db = std::make_unique<GedcomIndex>();
    const ReadOutcome outcome = readGedcom(path, *db);
    counter = outcome.counter;
    textAfterEndByteLine = outcome.textAfterEndByteLine;
    LoadIndex(*db);
    return counter;
  }

  int32_t readBytes(std::string_view bytes) { return read(write("input.ged", bytes)); }

  // The whole index as text: blocks with their links, fields with theirs.
  std::string indexBytes() const {
    std::string out;
    for (const auto& b : db->Blocks)
      out += std::string(b.tag()) + "/" + std::string(db->xref(b)) + "/" + std::to_string(b.FirstField) + "|";
    for (const auto& f : fields()) out += f.tag + "/" + f.value + "/" + std::to_string(f.level) + "|";
    for (const auto& f : db->Fields) out += std::to_string(f.NextField) + " ";
    return out;
  }

  // The fields as the blocks' chains lead to them.
  std::vector<FieldLine> fields() const {
    std::vector<FieldLine> out;
    for (size_t b = 0; b < db->Blocks.size(); ++b) {
      for (int32_t i = db->Blocks[b].FirstField; i >= 0;) {
        const TFieldRec& f = db->Fields.at(static_cast<size_t>(i));
        out.push_back({static_cast<int32_t>(b + 1), std::string(db->tag(f)), f.level(), std::string(db->value(f))});
        i = f.NextField > 0 ? f.NextField : -1;
      }
    }
    EXPECT_EQ(out.size(), db->Fields.size());
    return out;
  }

  std::vector<std::string> blockTags() const {
    std::vector<std::string> out;
    for (const auto& b : db->Blocks) out.emplace_back(b.tag());
    return out;
  }

  TempDir dir;
  int32_t counter = 0;
  int32_t textAfterEndByteLine = 0;
  std::unique_ptr<GedcomIndex> db;
};

// Level-0 lines give "block tag|xref", other lines "field level|tag|value".
TEST_F(GedcomReaderTest, SplitsLinesIntoLevelCrossReferenceTagAndValue) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0 @I1@ INDI", "block INDI|@I1@"},
      {"0   @F2@   FAM   ", "block FAM|@F2@"},
      {"0 @lonely@", "block |@lonely@"},
      {"0INDI", "block INDI|"},
      {"1 NAME Johann /M\xC3\xBCller/", "field 1|NAME|Johann /Müller/"},
      {"10 CONC text", "field 1|0|CONC text"},  // levels are one digit
      {"2 CONC  two spaces", "field 2|CONC| two spaces"},
      {"3 NOTE a   \t", "field 3|NOTE|a"},
      {"x NAME y", "field -1|NAME|y"},
      {"1 NAME\tJohn", "field 1|NAME\tJoh|"},
      {"1 VERYLONGTAG v", "field 1|VERYLONG|v"},
      {"   \t ", "field -1||"},
      {"\t 9   DATE 1 JAN 1900", "field 9|DATE|1 JAN 1900"},
  };
  for (const auto& [line, expected] : cases) {
    ASSERT_EQ(readBytes("0 HEAD\r\n" + line + "\r\n0 TRLR\r\n"), 3) << line;
    const auto f = fields();
    ASSERT_EQ(db->Blocks.size() + f.size(), 2u) << line;
    EXPECT_EQ(f.empty() ? "block " + std::string(db->Blocks[1].tag()) + "|" + std::string(db->xref(db->Blocks[1]))
                        : "field " + std::to_string(f[0].level) + "|" + f[0].tag + "|" + f[0].value,
              expected);
  }
}

TEST_F(GedcomReaderTest, CountsLinesAndStopsAtTheTrailer) {
  struct Case {
    std::string name, bytes;
    int32_t counter;
    std::vector<std::string> values;  // values of the stored SOUR fields
  };
  std::vector<Case> cases = {
      {"trailer", "0 HEAD\r\n1 SOUR a\r\n0 TRLR\r\n1 SOUR b\r\n", 3, {"a"}},
      {"trailer inside a line", "0 HEAD\r\n1 SOUR a\r\n1 SOUR x 0 TRLR y\r\n1 SOUR b\r\n", 3, {"a"}},
      {"no trailer, line end", "0 HEAD\r\n1 SOUR a\r\n1 SOUR b\r\n", 3, {"a", "b"}},
      {"blank lines at the end", "0 HEAD\r\n1 SOUR a\r\n\r\n  \r\n", 4, {"a"}},
      {"lone CR at the end", "0 HEAD\r\n1 SOUR a\r", 2, {"a"}},
      {"byte 26 ends the file", "0 HEAD\r\n1 SOUR a\x1a\r\n1 SOUR b\r\n", 2, {"a"}},
      {"byte 26 after a line end", "0 HEAD\r\n1 SOUR a\r\n\x1a" "1 SOUR b\r\n", 2, {"a"}},
      {"byte-order mark", "\xEF\xBB\xBF" "0 HEAD\r\n1 SOUR a\r\n0 TRLR\r\n", 3, {"a"}},
      {"junk before the header", "x\x01y 0 0 HEAD\r\n1 SOUR a\r\n", 2, {"a"}},
      {"no header", "1 SOUR a\r\n0 HEAD\r\n", -1, {}},
      {"byte 26 first", "\x1a" "0 HEAD\r\n", -1, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readBytes(c.bytes), c.counter) << c.name;
    std::vector<std::string> values;
    for (const auto& f : fields()) {
      if (f.tag == "SOUR") values.push_back(f.value);
    }
    EXPECT_EQ(values, c.values) << c.name;
    if (c.counter > 0) {
      EXPECT_EQ(blockTags().at(0), "HEAD") << c.name;
    }
  }
}

// A byte 26 ends the file, as old DOS files end; when more than blanks
// follow it, the reading tells the line it stands in.
TEST_F(GedcomReaderTest, TellsTheLineOfAByte26BeforeMoreText) {
  const std::string persons = "0 HEAD\r\n0 @I1@ INDI\r\n1 NAME A /B/\r\n0 @I2@ INDI\r\n1 NOTE x";
  const struct {
    std::string bytes;
    int32_t line;
  } cases[] = {
      {persons + "\x1a y\r\n0 @I3@ INDI\r\n0 TRLR\r\n", 5},
      {"0 HEAD\r\n1 SOUR a\r\n\x1a" "1 SOUR b\r\n", 3},
      {"0 HEAD\n1 SOUR a\n1 NOTE b\x1a\nc", 3},
      {"0 HEAD\r\n1 SOUR a\r\n\x1a" + std::string(3 << 20, ' ') + "x", 3},  // far beyond the first chunk
      {"0 HEAD\r\n1 SOUR a\r\n\x1a", 0},
      {"0 HEAD\r\n1 SOUR a\x1a\r\n \t\x1a\r\n" + std::string(3 << 20, '\0'), 0},
      {"0 HEAD\r\n0 TRLR\r\n\x1a" "1 SOUR b\r\n", 0},
      {"0 HEAD\r\n1 SOUR a\r\n" + std::string(LineReader::kZeroTail, '\0') + "x", 0},
  };
  for (const auto& c : cases) {
    EXPECT_GT(readBytes(c.bytes), 0) << c.bytes.substr(0, 40);
    EXPECT_EQ(textAfterEndByteLine, c.line) << c.bytes.substr(0, 40);
  }
  EXPECT_GT(readBytes(utf16(u"0 HEAD\r\n1 NOTE a\u001A\r\n1 NOTE b\r\n", false, true)), 0);
  EXPECT_EQ(textAfterEndByteLine, 2);
}

// An LF-only file reads as its CR LF twin: a CR before LF is dropped, a
// byte 26 ends no line. A CR-only file reads alike.
TEST_F(GedcomReaderTest, LfModeReadsTheLinesOfACrLfTwin) {
  readBytes("0 HEAD\r\n1 SOUR a\r\n1 SOUR b\r\n\r\n1 SOUR c\x1a\r\nrest\r\n\r\n");
  const std::string twin = std::to_string(counter) + indexBytes();
  readBytes("0 HEAD\n1 SOUR a\r\r\n1 SOUR b\r\n\n1 SOUR c\x1a\nrest\n");
  EXPECT_EQ(std::to_string(counter) + indexBytes(), twin);
  readBytes("0 HEAD\r1 SOUR a\r1 SOUR b\r\r1 SOUR c\x1a\rrest\r\r");
  EXPECT_EQ(indexBytes(), twin.substr(std::to_string(counter).size()));
  EXPECT_EQ(fields().back(), (FieldLine{1, "SOUR", 1, "c"}));
}

TEST_F(GedcomReaderTest, CharacterSetLineSelectsTheConversionOfLaterLines) {
  struct Case {
    std::string charset;
    std::string utf8, ansel;  // expected values of two probe lines
  };
  std::vector<Case> cases = {
      {"ANSI", "Ã¤", "èa"},
      {"UTF-8", "ä", "èa"},
      {"ANSEL", "©Þ", "ä"},
      {"UNICODE", "ä", "èa"},       // not 16-bit: read as UTF-8
      {"UNICODE UTF-8", "ä", "èa"},  // the words are tried in a fixed order
      // Code pages through the system's converters, the name as files write it.
      {"IBMPC", "├ñ", "Φa"},
      {"IBM DOS", "├ñ", "Φa"},
      {"MS-DOS", "├ñ", "Φa"},
      {"cp437", "├ñ", "Φa"},
      {"CP850", "├ñ", "Þa"},
      {"MACINTOSH", "√§", "Ëa"},
      {"ISO-8859-2", "Ă¤", "ča"},
      {"ISO 8859-15", "Ã€", "èa"},
      {"WINDOWS-1251", "Г¤", "иa"},
      {"IBM WINDOWS", "Ã¤", "èa"},
      // Naming none keeps testing later lines of the header, so the second
      // CHAR line counts.
      {"ASCII", "Ã¤", "èa"},
      {"CP9999", "Ã¤", "èa"},
  };
  for (const Case& c : cases) {
    std::string bytes = "0 HEAD\r\n1 SOUR \xE8\x61\r\n1 CHAR " + c.charset +
                        "\r\n1 CHAR ANSI\r\n1 NOTE \xC3\xA4\r\n1 NOTE \xE8\x61\r\n1 NOTE " +
                        std::string("a\0b", 3) + "\r\n0 TRLR\r\n";
    ASSERT_EQ(readBytes(bytes), 8) << c.charset;
    auto f = fields();
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0].value, "èa") << c.charset << ": before CHAR the trial, without ANSEL the header has not named";
    EXPECT_EQ(f[3].value, c.utf8) << c.charset;
    EXPECT_EQ(f[4].value, c.ansel) << c.charset;
    EXPECT_EQ(f[5].value, "ab") << c.charset << ": a NUL is dropped in every character set";
  }
}

// Only a level-1 CHAR line of the header names the set; without one a
// GEDCOM 7 file is UTF-8, and ANSEL is no guess unless the header names it.
TEST_F(GedcomReaderTest, OnlyTheHeadersCharLineNamesTheCharacterSet) {
  const std::string person = "0 @I1@ INDI\r\n1 NAME Anna /M\xC3\xBCller/\r\n1 NOTE H\xE4nsel\r\n0 TRLR\r\n";
  struct Case {
    const char* name;
    std::string header, name1, note;
  };
  const std::vector<Case> cases = {
      {"a note quoting a CHAR line", "0 HEAD\r\n0 @N1@ NOTE x\r\n1 CONT 1 CHAR ANSI\r\n", "Anna /Müller/", "Hänsel"},
      {"a CHAR line in a record", "0 HEAD\r\n0 @S1@ SOUR\r\n1 CHAR ANSI\r\n", "Anna /Müller/", "Hänsel"},
      {"a CHAR line below the header's source", "0 HEAD\r\n1 SOUR x\r\n2 CHAR ANSI\r\n", "Anna /Müller/",
       "Hänsel"},
      {"GEDCOM 7 without CHAR", "0 HEAD\r\n1 GEDC\r\n2 VERS 7.0\r\n", "Anna /Müller/", "Hänsel"},
      {"the header names ANSEL", "0 HEAD\r\n1 SOUR x\r\n2 NOTE ANSEL\r\n", "Anna /Müller/", "Hñsel"},
      {"the header's CHAR line", "0 HEAD\r\n1 CHAR ANSI\r\n", "Anna /MÃ¼ller/", "Hänsel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GT(readBytes(c.header + person), 0);
    std::vector<FieldLine> f = fields();
    ASSERT_GE(f.size(), 2u);
    EXPECT_EQ(f[f.size() - 2].value, c.name1);
    EXPECT_EQ(f.back().value, c.note);
  }
}

// Empty lines and byte-order marks before the header go; text does not, nor
// a header beyond the first 64 KiB. Long notes are stored whole (see the
// catalogue of bad files); here the first line alone decides.
TEST_F(GedcomReaderTest, EmptyLinesBeforeTheHeaderAreSkipped) {
  const std::string rest = "0 HEAD\r\n1 CHAR ANSI\r\n0 @I1@ INDI\r\n1 NAME A /B/\r\n0 TRLR\r\n";
  EXPECT_EQ(readBytes("\r\n" + rest), 5);
  EXPECT_EQ(readBytes(" \t\r\n\x01\r\n\xEF\xBB\xBF" + rest), 5);
  EXPECT_EQ(readBytes("\xEF\xBB\xBF\n\n" + std::string("0 HEAD\n1 CHAR ANSI\n0 TRLR\n")), 3);
  EXPECT_EQ(fields().size(), 1u);
  EXPECT_EQ(readBytes("\r\nx\r\n" + rest), -1);
  std::string blanks;
  while (blanks.size() < kHeaderWindow) blanks += std::string(99, ' ') + "\r\n";
  EXPECT_EQ(readBytes(blanks + rest), -1);
  const std::string big(10 * 1000 * 1000, 'x');
  EXPECT_EQ(readBytes("\r\n" + std::string(big.size(), ' ') + "\r\n" + rest), -1);
  EXPECT_EQ(readBytes(big + "\r\n0 HEAD\r\n"), -1);
  EXPECT_EQ(readBytes("0 HEAD " + big), 1);
  EXPECT_EQ(blockTags(), std::vector<std::string>{"HEAD xxx"});
}

std::u16string widen(std::string_view latin1) {
  std::u16string out;
  for (char c : latin1) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::string asUtf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) appendUtf8(out, c);
  return out;
}

std::u16string joinLines(const std::vector<std::u16string>& lines, std::u16string_view end) {
  std::u16string out;
  for (const auto& line : lines) out.append(line).append(end);
  return out;
}

struct Utf16Layout {
  const char* name;
  bool bigEndian, bom;
  std::u16string_view lineEnd;
};

const std::vector<Utf16Layout> kUtf16Layouts = {
    {"LE CR LF", false, false, u"\r\n"}, {"LE BOM CR LF", false, true, u"\r\n"},
    {"LE CR", false, false, u"\r"},      {"LE LF", false, true, u"\n"},
    {"LE LF CR", false, false, u"\n\r"}, {"BE BOM CR LF", true, true, u"\r\n"},
    {"BE CR LF", true, false, u"\r\n"},  {"BE CR", true, true, u"\r"},
    {"BE LF", true, false, u"\n"},       {"BE LF CR", true, true, u"\n\r"},
};

// Text up to code 255 reads as the same text in single bytes would.
// Characters above 255 are characters too.
// Characters above 255 whose one byte is 13, 10 or 26 end no line and not
// the file: the reading goes on to the persons after them.
TEST_F(GedcomReaderTest, SixteenBitTextInEveryLayout) {
  const std::vector<std::string> latin1 = {"0 HEAD", "1 SOUR x", "1 CHAR UNICODE", "0 @I1@ INDI",
                                           "1 NAME J\xFCrgen /M\xFCller/", "1 NOTE \xE4\xF6\xDF \xFF\xFE",
                                           "2 CONT", "", "0 @F1@ FAM", "1 HUSB @I1@", "0 TRLR"};
  std::string singleBytes;
  std::vector<std::u16string> lines;
  for (const std::string& line : latin1) {
    singleBytes += line + "\r\n";
    lines.push_back(widen(line));
  }
  ASSERT_EQ(readBytes(singleBytes), 11);
  const std::string reference = indexBytes();
  const std::u16string name = u"\u041A\u040D\u040A \u0A0D\u1A00\u0D00\u0A00\u0D0A /\u041A/";
  const std::vector<std::u16string> wide = {u"0 HEAD", u"1 CHAR UNICODE", u"0 @I1@ INDI", u"1 NAME " + name,
                                            u"0 @I2@ INDI", u"1 NAME Second /Person/", u"0 TRLR"};
  for (const Utf16Layout& layout : kUtf16Layouts) {
    SCOPED_TRACE(layout.name);
    EXPECT_EQ(readBytes(utf16(joinLines(lines, layout.lineEnd), layout.bigEndian, layout.bom)), 11);
    EXPECT_EQ(indexBytes(), reference);
    EXPECT_EQ(readBytes(utf16(joinLines(wide, layout.lineEnd), layout.bigEndian, layout.bom)), 7);
    EXPECT_EQ(blockTags(), (std::vector<std::string>{"HEAD", "INDI", "INDI"}));
    EXPECT_EQ(fields(), (std::vector<FieldLine>{{1, "CHAR", 1, "UNICODE"},
                                                {2, "NAME", 1, asUtf8(name)},
                                                {3, "NAME", 1, "Second /Person/"}}));
  }
  // Only a whole 26 ends the file.
  for (bool bigEndian : {false, true}) {
    EXPECT_EQ(readBytes(utf16(u"0 HEAD\r\n1 NOTE \u041A\u1A00\r\n1 NOTE a\u001A\r\n1 NOTE b\r\n", bigEndian, true)), 3);
    EXPECT_EQ(fields().size(), 2u) << bigEndian;
  }
}

// Whether a 16-bit file has LF-only line ends is told by its first whole
// line-end character. Then a CR inside a line is dropped, else it ends the line.
TEST_F(GedcomReaderTest, TheFirstLineEndTellsLfFromCrLines) {
  auto sourValue = [&] {
    for (const auto& f : fields())
      if (f.tag == "SOUR") return f.value;
    return std::string("none");
  };
  const std::vector<std::pair<std::u16string, std::string>> wideCases = {
      {u"0 HEAD\n", "ab"},          {u"0 HEAD\r\n", "a"},          {u"0 HEAD\n\r", "ab"},
      {u"0 HEAD \u040A\r\n", "a"}, {u"0 HEAD \u0A00\r\n", "a"}, {u"0 HEAD \u040D\u041A\n", "ab"},
      {u"0 HEAD \u001A\n", "none"},
  };
  for (const auto& [text, expected] : wideCases) {
    for (int layout = 0; layout < 4; ++layout) {
      readBytes(utf16(text + u"1 SOUR a\rb\n", layout & 1, layout & 2));
      EXPECT_EQ(sourValue(), expected) << asUtf8(text) << " " << layout;
    }
  }
}

// The file is read in chunks of 1 MiB: put each kind of character on the
// last and the first code unit around the first chunk boundary.
TEST_F(GedcomReaderTest, SixteenBitCharactersAtAChunkBoundary) {
  constexpr size_t kBoundaryUnit = (1 << 20) / 2;
  const std::u16string name = u"\u041A\u040D\u040A\u1A00\u0D00 /X/";
  for (bool bigEndian : {false, true}) {
    for (std::u16string_view lineEnd : {std::u16string_view(u"\r\n"), std::u16string_view(u"\n")}) {
      // The filler's last unit, the line end, or one of the name's
      // characters lands on either side of the boundary.
      for (size_t offset = 0; offset < 2 + lineEnd.size() + 7 + name.size(); ++offset) {
        auto build = [&](size_t filler) {
          return joinLines({u"0 HEAD", u"1 CHAR UNICODE", u"0 @I1@ INDI", u"1 NOTE " + std::u16string(filler, u'n'),
                            u"1 NAME " + name, u"0 @I2@ INDI", u"1 NAME Second /Person/", u"0 TRLR"},
                           lineEnd);
        };
        // Units before the boundary: the BOM, the text up to the filler, the filler.
        const size_t filler = kBoundaryUnit - (build(0).find(u"1 NOTE ") + 7) - offset;
        SCOPED_TRACE(std::to_string(bigEndian) + " " + std::to_string(lineEnd.size()) + " " + std::to_string(offset));
        EXPECT_EQ(readBytes(utf16(build(filler), bigEndian, true)), 8);
        ASSERT_EQ(blockTags(), (std::vector<std::string>{"HEAD", "INDI", "INDI"}));
        std::string note;
        for (const auto& f : fields()) note += f.tag == "NOTE" || f.tag == "CONC" ? f.value : "";
        EXPECT_EQ(note, std::string(filler, 'n'));
        const auto all = fields();
        ASSERT_GE(all.size(), 3u);
        EXPECT_EQ(all[all.size() - 2], (FieldLine{2, "NAME", 1, asUtf8(name)}));
        EXPECT_EQ(all.back(), (FieldLine{3, "NAME", 1, "Second /Person/"}));
      }
    }
  }
}

TEST_F(GedcomReaderTest, FileValuesNameFilesBesideTheGedcomFile) {
  test::writeFileBytes(dir.file("photo.jpg"), "jpg");
  fs::create_directory(dir.path() + "folder");
  const std::string folder = dir.path();  // ends with "/"
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1 FILE photo.jpg", folder + "photo.jpg"},
      {"1 FILE /photo.jpg", folder + "photo.jpg"},
      {"1 FILE missing.jpg", "missing.jpg"},
      {"1 FILE folder", "folder"},
      {"1 FILEX photo.jpg", "photo.jpg"},
  };
  for (const char* ends : {"\r\n", "\n"}) {
    for (const auto& [line, expected] : cases) {
      readBytes("0 HEAD" + std::string(ends) + line + ends + "0 TRLR" + ends);
      EXPECT_EQ(fields().at(0).value, expected) << line << ends;
    }
  }
}

// A source that delivers the file in pieces and then fails as told.
GedcomInput failingInput(const std::string& bytes, size_t failAtCall, os::Error error) {
  GedcomInput input;
  auto calls = std::make_shared<size_t>(0);
  auto offset = std::make_shared<size_t>(0);
  input.openSource(
      [=](char* data, size_t size, os::Error& failure) -> std::ptrdiff_t {
        if (++*calls == failAtCall) {
          failure = error;
          return -1;
        }
        const size_t n = std::min(size, bytes.size() - *offset);
        std::memcpy(data, bytes.data() + *offset, n);
        *offset += n;
        return static_cast<std::ptrdiff_t>(n);
      },
      bytes.size());
  return input;
}

// A read error, a file cut while read or an unopenable file is a failure
// with the system's reason, never a complete index.
TEST_F(GedcomReaderTest, FailuresNameTheirCause) {
  std::string text = "0 HEAD\r\n";
  for (int i = 0; text.size() < 3 * GedcomInput::kChunkBytes; ++i)
    text += "0 @I" + std::to_string(i) + "@ INDI\r\n1 NAME A /B/\r\n";
  text += "0 TRLR\r\n";
  for (size_t call : {1, 2, 4}) {
    GedcomIndex index;
    GedcomInput input = failingInput(text, call, os::errorOfKind(os::ErrorKind::IoError));
    const ReadOutcome outcome = readGedcom(input, dir.path(), index);
    EXPECT_EQ(outcome.status, ReadStatus::Failed) << call;
    EXPECT_EQ(outcome.failure.system.kind(), os::ErrorKind::IoError) << call;
    EXPECT_LT(outcome.counter, 0) << call;
  }

  const std::string path = write("cut.ged", text);
  GedcomInput cut;
  ReadFailure failure;
  ASSERT_TRUE(cut.open(path, failure));
  truncate(path.c_str(), 100000);
  GedcomIndex index;
  const ReadOutcome outcome = readGedcom(cut, dir.path(), index);
  EXPECT_EQ(outcome.status, ReadStatus::Failed);
  EXPECT_EQ(outcome.failure.kind, ReadFailure::Kind::CutShort);
  EXPECT_EQ(outcome.failure.bytesRead, 100000u);
  EXPECT_EQ(outcome.failure.bytesExpected, text.size());

  const ReadOutcome missing = readGedcom(dir.file("missing.ged"), index);
  EXPECT_EQ(missing.status, ReadStatus::CannotOpen);
  EXPECT_EQ(missing.failure.system.kind(), os::ErrorKind::NotFound);
  EXPECT_EQ(readGedcom(dir.file("missing.ged"), index).counter, 0);
}

// A pipe is read once, as it comes; progress is told per chunk where the size
// is known.
TEST_F(GedcomReaderTest, ReadsFromAPipeAndReportsProgressPerChunk) {
#ifdef _WIN32
  GTEST_SKIP() << "no named pipes in the file system";
#else
  std::string text = "0 HEAD\r\n";
  while (text.size() < 3 * GedcomInput::kChunkBytes) text += "1 NOTE " + std::string(100, 'n') + "\r\n";
  const std::string fifo = dir.file("pipe.ged");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Progress : UserMessages {
    void showMessage(std::string_view) override {}
    void showProgress(ImportPhase phase, int percent) override {
      if (phase == ImportPhase::Reading) percents.push_back(percent);
    }
    std::vector<int> percents;
  } progress, pipeProgress;
  std::thread writer([&] { test::writeFileBytes(fifo, text); });
  GedcomIndex piped;
  const ReadOutcome outcome = readGedcom(fifo, piped, &pipeProgress);
  writer.join();
  EXPECT_EQ(outcome.status, ReadStatus::Complete);
  // A pipe has no length: each chunk says only that reading goes on.
  EXPECT_GE(pipeProgress.percents.size(), 3u);
  for (int percent : pipeProgress.percents) EXPECT_EQ(percent, kProgressUnknown);

  GedcomIndex fromFile;
  readGedcom(write("file.ged", text), fromFile, &progress);
  EXPECT_EQ(progress.percents.size(), 4u);
  EXPECT_EQ(progress.percents.back(), 100);
  EXPECT_EQ(fromFile.Fields.size(), piped.Fields.size());
#endif
}

// Large files are read in two parts at once; the index and the counter are
// those of one reading from the start to the end.
TEST_F(GedcomReaderTest, ReadingInTwoPartsGivesTheIndexOfOneReading) {
  std::string body;
  for (int i = 0; body.size() < (18 << 20); ++i) {
    const std::string n = std::to_string(i);
    body += "0 @I" + n + "@ INDI\n1 NAME J\xC3\xBCrgen /M" + n + "/\n" + (i % 7 == 0 ? "\n  \n" : "") +
            "1 NOTE " + std::string(static_cast<size_t>(i % 300), 'n') + "\n2 CONC x" + n + "\n";
  }
  const std::string head = "0 HEAD\n1 CHAR UTF-8\n";
  const size_t middle = body.size() / 2;
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"plain", head + body + "0 TRLR\n"},
      {"no trailer", head + body},
      {"trailer in the first half", head + body.substr(0, 1000) + "0 TRLR\n" + body.substr(1000)},
      {"byte 26 in the second half", head + body.substr(0, middle + 5000) + "\x1a" + body.substr(middle + 5000)},
      // A line of its own, where the reading of the first half may end.
      {"byte 26 in the first half", head + body.substr(0, middle - 9000) + "\n\x1a" + body.substr(middle - 9000)},
  };
  for (const auto& c : cases) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
      SCOPED_TRACE(std::string(c.name) + " " + (end[1] ? "CR LF" : end[0] == '\n' ? "LF" : "CR"));
      std::string bytes;
      for (char ch : c.text) ch == '\n' ? bytes += end : bytes += ch;
      GedcomIndex whole;
      GedcomInput input = failingInput(bytes, 0, {});
      const ReadOutcome wholeOutcome = readGedcom(input, dir.path(), whole);
      ASSERT_GT(readBytes(bytes), 0);
      EXPECT_EQ(counter, wholeOutcome.counter);
      EXPECT_EQ(textAfterEndByteLine, wholeOutcome.textAfterEndByteLine);
      EXPECT_EQ(textAfterEndByteLine > 0, std::string(c.name).find("byte 26") != std::string::npos);
      ASSERT_EQ(db->Fields.size(), whole.Fields.size());
      const std::string parts = indexBytes();
      db = std::make_unique<GedcomIndex>();
      std::swap(db->Blocks, whole.Blocks), std::swap(db->Fields, whole.Fields), std::swap(db->Text, whole.Text);
      std::swap(db->Tags, whole.Tags);
      EXPECT_TRUE(indexBytes() == parts);
    }
  }
}

// A read error or exhausted memory while the later part is read on the
// second core fails the whole reading with its cause, as in one reading.
TEST_F(GedcomReaderTest, AFailureInTheLaterPartFailsTheReading) {
  if (os::processorCount() < 2) GTEST_SKIP() << "one core reads the file in one part";
  std::string text = "0 HEAD\n1 CHAR UTF-8\n";
  for (int i = 0; text.size() < (kSplitBytes + (1 << 20)); ++i)
    text += "0 @I" + std::to_string(i) + "@ INDI\n1 NAME A /B/\n1 NOTE " + std::string(200, 'n') + "\n";
  const std::string path = write("large.ged", text + "0 TRLR\n");
  const std::thread::id reader = std::this_thread::get_id();
  for (os::ErrorKind kind : {os::ErrorKind::IoError, os::ErrorKind::OutOfMemory}) {
    std::atomic<int> laterReads{0};
    const os::FaultHook before = os::setFaultHook([&](os::SystemCall call, size_t) {
      if (call != os::SystemCall::Read || std::this_thread::get_id() == reader) return os::Error{};
      ++laterReads;
      if (kind == os::ErrorKind::OutOfMemory) throw std::bad_alloc();
      return os::errorOfKind(kind);
    });
    GedcomIndex index;
    const ReadOutcome outcome = readGedcom(path, index);
    os::setFaultHook(before);
    EXPECT_GT(laterReads, 0);
    EXPECT_EQ(outcome.status, ReadStatus::Failed);
    EXPECT_EQ(outcome.failure.system.kind(), kind);
    EXPECT_LT(outcome.counter, 0);
  }
}

// A crash can leave a file zero-filled after its last write: 64 KiB of NUL
// bytes end the input there, and what came before is read as usual.
TEST_F(GedcomReaderTest, AZeroFilledTailEndsTheInput) {
  const std::string tree = "0 HEAD\r\n0 @I1@ INDI\r\n1 NAME A /B/\r\n";
  ASSERT_EQ(readBytes(tree), 3);
  const std::string reference = indexBytes();
  for (size_t before : {size_t{0}, size_t{1000}, GedcomInput::kChunkBytes - tree.size() - 10}) {
    EXPECT_EQ(readBytes(tree + std::string(before, 'x') + std::string(3 << 20, '\0')) > 0, true) << before;
    if (before == 0) {
      EXPECT_EQ(indexBytes(), reference);
    }
  }
  // Fewer NUL bytes are text: the trial conversion removes them.
  readBytes("0 HEAD\r\n1 NOTE a" + std::string(1000, '\0') + "b\r\n");
  EXPECT_EQ(fields().at(0).value, "ab");
}

}  // namespace
}  // namespace rowsmith
