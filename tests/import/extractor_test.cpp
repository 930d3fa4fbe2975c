#include "import/extractor.h"

#include <gtest/gtest.h>

#include "import/loadedgedcom.h"

namespace rowsmith {
namespace {

using test::LoadedGedcom;

// Notes and escapes as files of GEDCOM 5.5.1 and 7 write them.
TEST(Extractor, ReadsSharedNotesEscapesAndVoidPointers) {
  const struct {
    const char* name;
    std::string header;
    std::string person;
    std::string records;
    std::string notes;
  } cases[] = {
      {"a note record's own text is its first line", "", "1 NOTE @N1@\n",
       "0 @N1@ NOTE Gemeinsame Notiz\n1 CONT zweite Zeile\n1 CONC  fortgesetzt\n",
       "Gemeinsame Notiz\nzweite Zeile fortgesetzt\n"},
      {"a note record without own text", "", "1 NOTE eigene\n1 NOTE @N1@\n", "0 @N1@ NOTE\n1 CONT erste\n",
       "eigene\nerste\n"},
      {"GEDCOM 7 shared notes", "1 GEDC\n2 VERS 7.0\n", "1 SNOTE @N1@\n", "0 @N1@ SNOTE Geteilt\n", "Geteilt\n"},
      {"an escaped @", "", "1 NOTE me@@example.com @@ @@@@\n", "", "me@example.com @ @@\n"},
      {"GEDCOM 7 escapes only a leading @", "1 GEDC\n2 VERS 7.0\n", "1 NOTE @@tag a@@b\n", "", "@tag a@@b\n"},
      {"a void pointer names no note", "1 GEDC\n2 VERS 7.0\n", "1 SNOTE @VOID@\n1 NOTE da\n", "", "da\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedGedcom g("0 HEAD\n" + c.header + "0 @I1@ INDI\n1 NAME A /B/\n" + c.person + c.records + "0 TRLR\n");
    EXPECT_EQ(Extractor(g.db()).GetPersonNotes(g.id("@I1@")), c.notes);
  }
}

}  // namespace
}  // namespace rowsmith
