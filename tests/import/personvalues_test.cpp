#include <gtest/gtest.h>

#include "import/extractor.h"
#include "import/loadedgedcom.h"

namespace rowsmith {
namespace {

using test::LoadedGedcom;

std::string oneIndi(std::string_view body) {
  return "0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n" + std::string(body) + "0 TRLR\n";
}

struct ValueCase {
  const char* name;
  std::string body;
  std::vector<std::pair<int, std::string>> expected;
};

TEST(GetPersonValues, ReadsNamesEventsAndAttributesAsTheRecordHoldsThem) {
  const std::vector<ValueCase> cases = {
      {"SURN and GIVN win over NAME", "1 NAME Johann /Becker/\n2 GIVN Hans\n2 SURN Baecker\n",
       {{pvSurname, "Baecker"}, {pvGivenName, "Hans"}}},
      {"a married name keeps the birth names", "1 NAME A /X/\n2 SURN X\n1 NAME B /Y/\n2 TYPE married\n2 SURN Y\n2 GIVN B\n1 SEX F\n",
       {{pvSurname, "X"}, {pvGivenName, "A "}, {pvSex, "F"}}},
      {"no name at all", "1 SEX M\n", {{pvSurname, "NN"}, {pvGivenName, ""}, {pvSex, "M"}}},
      {"birth with date and place", "1 BIRT\n2 DATE 12 JAN 1900\n2 PLAC Bremen\n",
       {{pvBirthDate, "19000112"}, {pvBirthPlace, "Bremen"}}},
      {"date under a source of the event is not the event's",
       "1 BIRT\n2 DATE 12 JAN 1900\n2 SOUR @S1@\n3 DATE 1950\n", {{pvBirthDate, "19000112"}}},
      // Date and place come from one event: the last with a DATE, else the
      // last with a PLAC.
      {"a later birth without a date does not lend its place",
       "1 BIRT\n2 DATE 1900\n2 PLAC A\n1 BIRT\n2 PLAC B\n", {{pvBirthDate, "1900"}, {pvBirthPlace, "A"}}},
      {"the last birth with a date wins whole",
       "1 BIRT\n2 DATE 1900\n2 PLAC A\n1 BIRT\n2 DATE 1901\n1 BIRT\n2 PLAC C\n",
       {{pvBirthDate, "1901"}, {pvBirthPlace, ""}}},
      {"without dates the last place", "1 DEAT\n2 PLAC A\n1 DEAT\n2 PLAC B\n1 DEAT\n2 NOTE x\n",
       {{pvDeathDate, ""}, {pvDeathPlace, "B"}}},
      {"burials alike, an event at level 2 closing the one before",
       "1 BURI\n2 DATE 1950\n1 EVEN\n2 BURI\n3 PLAC Ulm\n", {{pvBurialDate, "1950"}, {pvBurialPlace, ""}}},
      {"a baptism fills in for a missing christening", "1 BAPM\n2 DATE 1901\n2 PLAC Ulm\n",
       {{pvChrDate, "1901"}, {pvChrPlace, "Ulm"}}},
      {"a christening wins over a baptism", "1 BAPM\n2 DATE 1901\n1 CHR\n2 PLAC Ulm\n",
       {{pvChrDate, ""}, {pvChrPlace, "Ulm"}}},
      {"occupation and religion only on level 1",
       "1 OCCU Bauer\n1 RELI ev.\n1 BIRT\n2 OCCU Knecht\n1 BURI\n2 RELI rk.\n",
       {{pvOccupation, "Bauer"}, {pvReligion, "ev."}}},
      // Name pieces count only directly below the first NAME.
      {"a romanised variant keeps its pieces", "1 NAME Tarou /Yamada-ke/\n2 ROMN Taro /Yamada/\n3 GIVN Taro\n3 SURN Yamada\n",
       {{pvSurname, "Yamada-ke"}, {pvGivenName, "Tarou "}}},
      {"a GEDCOM 7 translation too", "1 NAME Jan /Novak/\n2 GIVN Jan\n2 TRAN Johann /Neumann/\n3 SURN Neumann\n",
       {{pvSurname, "Novak"}, {pvGivenName, "Jan"}}},
      {"pieces outside a NAME are no name", "1 SURN Lose\n1 NAME A /B/\n", {{pvSurname, "B"}}},
      {"the surname prefix stands before the surname, whichever line comes first",
       "1 NAME Ludwig /van Beethoven/\n2 SURN Beethoven\n2 SPFX van\n", {{pvSurname, "van Beethoven"}}},
      {"a prefix alone leaves the NAME's surname", "1 NAME Ludwig /van Beethoven/\n2 SPFX van\n",
       {{pvSurname, "van Beethoven"}}},
      {"an event at level 1 ends the events even after a level-less line",
       "1 BIRT\n2 DATE 1900\n\n1 BURI\n2 DATE 1950\n", {{pvBirthDate, "1900"}, {pvBurialDate, "1950"}}},
      {"a date of the NAME structure is no event's", "1 NAME A /B/\n2 DATE 1900\n", {{pvBirthDate, ""}}},
      {"values continued over CONC lines each keep all their pieces",
       "1 BIRT\n2 PLAC Bre\n3 CONC men\n2 DATE 1900\n1 OCCU Bau\n2 CONC er\n",
       {{pvBirthPlace, "Bremen"}, {pvBirthDate, "1900"}, {pvOccupation, "Bauer"}}},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedGedcom g(oneIndi(c.body));
    Extractor ex(g.db());
    std::optional<PersonValues> values = ex.GetPersonValues(1);
    ASSERT_TRUE(values);
    EXPECT_EQ((*values)[pvID], "1");
    for (const auto& [index, text] : c.expected) EXPECT_EQ((*values)[static_cast<size_t>(index)], text) << index;
  }
}

TEST(GetPersonRecord, RecordZeroIsThePlaceholderAndUnknownRecordsFail) {
  LoadedGedcom g(oneIndi("1 NAME A /B/\n"));
  Extractor ex(g.db());
  TPersRec r;
  ASSERT_TRUE(ex.GetPersonRecord(0, r));
  EXPECT_EQ(r.ID + r.Surname + r.GivenName + std::to_string(r.Sex), "0NNNN0");
  r.Surname = "kept";
  EXPECT_FALSE(ex.GetPersonRecord(77, r));
  EXPECT_EQ(r.ID, "77");
  EXPECT_EQ(r.Surname, "kept");
  EXPECT_FALSE(ex.GetPersonRecord(-1, r));
}

TEST(GetPersonList, ListsNamedIndividualsInFileOrder) {
  LoadedGedcom g(
      "0 HEAD\n1 CHAR ANSI\n0 @N1@ NOTE\n1 CONT x\n0 @I1@ INDI\n1 NAME A /B/\n0 @F1@ FAM\n"
      "0 @I2@ INDI\n0 @I3@ INDI\n1 NAME  //\n0 @I4@ INDI\n1 NAME /C/\n0 TRLR\n");
  // I2 without any line is listed ("NN"); I3 whose names are blank is not.
  EXPECT_EQ(Extractor(g.db()).GetPersonList(), (std::vector<int32_t>{g.id("@I1@"), g.id("@I2@"), g.id("@I4@")}));
}

struct NotesCase {
  const char* name;
  std::string records;  // after the individual's lines
  std::string body;
  std::string expected;
};

TEST(GetPersonNotes, CollectsLevelOneNotesWithContinuationsAndReferencedRecords) {
  const std::vector<NotesCase> cases = {
      {"text with CONT and CONC", "", "1 NOTE First line\n2 CONT Second li\n2 CONC ne\n",
       "First line\nSecond line\n"},
      {"empty NOTE value still gives a line", "", "1 NOTE\n2 CONT b\n", "\nb\n"},
      {"referenced record", "0 @N1@ NOTE\n1 CONT a\n1 CONC b\n", "1 NOTE @N1@\n", "ab\n"},
      {"unknown reference adds nothing", "", "1 NOTE @N9@\n1 NOTE x\n", "x\n"},
      {"notes of events are not the person's", "", "1 BIRT\n2 NOTE hidden\n3 CONT more\n", ""},
      {"a CONT deeper than the note is ignored", "", "1 NOTE a\n2 SOUR s\n3 CONT deep\n2 CONT b\n", "a\nb\n"},
      {"a level-1 line ends the note", "", "1 NOTE a\n1 SEX M\n2 CONT lost\n", "a\n"},
  };
  for (const NotesCase& c : cases) {
    SCOPED_TRACE(c.name);
    LoadedGedcom g(std::string("0 HEAD\n1 CHAR ANSI\n0 @I1@ INDI\n") + c.body + c.records + "0 TRLR\n");
    EXPECT_EQ(Extractor(g.db()).GetPersonNotes(1), c.expected);
  }
}

}  // namespace
}  // namespace rowsmith
