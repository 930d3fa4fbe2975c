#pragma once
// The lookups of the extraction over a loaded index: persons, their notes,
// spouse lists, family members, parents and marriage data. Record numbers are
// block indices; 0 names no person and -1 a cross-reference nobody bears.
// What several rows ask again (family couples, parents) is remembered, so the
// answers are those of a fresh lookup but each is computed once.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "import/families.h"
#include "import/gedcomindex.h"
#include "import/personvalues.h"
#include "import/recordfields.h"

namespace rowsmith {

class Extractor {
 public:
  explicit Extractor(const GedcomIndex& db);

  const GedcomIndex& db() const { return db_; }
  int32_t recordCount() const { return static_cast<int32_t>(db_.Blocks.size()); }
  bool isRecord(int32_t r) const { return r >= 0 && r < recordCount(); }

  // Persons: the individuals with a name, ascending; the fourteen values; the
  // record with trimmed values; the notes, each line followed by LF.
  std::vector<int32_t> GetPersonList();
  std::optional<PersonValues> GetPersonValues(int32_t p) const;
  bool GetPersonRecord(int32_t p, TPersRec& record) const;
  // The values of p before completion; false for an unknown record.
  bool readPersonFields(int32_t p, PersonFields& fields) const;
  std::string GetPersonNotes(int32_t p) const;

  MarriageItems GetMarriageItems(int32_t f) const;
  // The marriages of several families of one couple, their events in the
  // order given.
  MarriageItems GetMarriageItems(std::span<const int32_t> families) const;

  // The five marriage items, read in the link index pass; all
  // empty for a record that is no family. Only reads, as parentCells.
  std::array<std::string_view, 5> marriageItems(int32_t f) const;

  // The pieces the row assembly builds on.
  struct Couple {
    int32_t husband = 0;
    int32_t wife = 0;
  };
  // One FAMS line of a record: the family as the spouse list finds it (may be
  // 0) and as the family list finds it (-1 when it adds none).
  struct FamsLink {
    int32_t family;
    int32_t listedFamily;
  };
  std::span<const FamsLink> famsLinks(int32_t record);
  // The first HUSB and WIFE values of the family, resolved (spouse list rule).
  Couple spouseCouple(int32_t family);
  // Level-1 HUSB and WIFE, the last that resolves wins (family member rule);
  // found is false when the family names nobody known at all.
  Couple memberCouple(int32_t family, bool& found);
  // p's father and mother as the parent cells show them: both 0 where
  // a FAMC names no record. Only reads, so the reader ahead may ask; the link
  // index must have been built.
  Couple parentCells(int32_t p) const;
  int32_t resolve(std::string_view xref) const;
  // The INDI block bearing xref (the first of several), -1 when none does: a
  // spouse or parent link to a family, a source or a note names no person.
  int32_t resolvePerson(std::string_view xref) const;


 private:
  // What the three family rules (spouse list, members, parents) make of one
  // family's HUSB and WIFE lines, from one walk of the family.
  struct FamilyInfo {
    Couple spouses;
    Couple members;
    Couple parents;
    bool membersFound = false;
  };
  struct FamilyLine {
    enum Kind : uint8_t { Husband, Wife, Child } kind;
    bool levelOne;
    std::string value;
  };
  // A person that a family record names as a spouse, on level 1 (HUSB,
  // WIFE). Links count from either side.
  struct NamedLink {
    int32_t person;
    int32_t family;
  };
  const FamilyInfo& family(int32_t f);
  // named receives the spouses the lines name, when named is given.
  FamilyInfo familyInfo(std::span<const FamilyLine> lines, int32_t f, std::vector<NamedLink>* named) const;
  int32_t listedFamily(std::string_view xref, int32_t found) const;
  // Note text line by line: a CONT line starts a new line, a CONC continues
  // the last one; joined, every line is followed by LF.
  class NoteText {
   public:
    void addLine(std::string_view line);
    void addContinuation(const RecordFields& fields);
    std::string joined() const { return any_ ? text_ + '\n' : std::string(); }

   private:
    std::string text_;
    bool any_ = false;
  };
  // The one reading of notes: a level-1 NOTE line starts a note (its own text,
  // or the lines of the note record it refers to); the CONT and CONC lines of
  // the note follow while inNote holds and they lie no deeper than level.
  // The caller lowers level and ends the note as its own record demands.
  void takeNoteLine(const RecordFields& fields, int32_t& level, bool& inNote, NoteText& notes) const;
  void addNoteRecord(std::string_view xref, NoteText& notes) const;
  // The marriage items of the family records of a range, one after the
  // other, each family's five ends in turn.
  struct MarriageTexts {
    std::string text;
    std::vector<uint32_t> ends;
  };
  // What one walk over a stretch of records finds besides each record's own
  // entries.
  struct ScanFinds {
    std::vector<NamedLink> named;
    // (family, hash of the value) of every level-1 CHIL line of a family.
    std::vector<std::pair<int32_t, uint32_t>> childLines;
    // (person, family) of the FAMC lines of persons none of whose FAMC
    // lines names a birth family.
    std::vector<std::pair<int32_t, int32_t>> otherParents;
  };
  void buildLinkIndex();
  void scanRecords(size_t from, size_t to, std::vector<FamsLink>& links, MarriageTexts& marriages,
                   std::vector<FamilyInfo>& families, ScanFinds& finds);
  // The links that only the family states, after each person's own.
  void addNamedLinks(std::span<const ScanFinds> finds);
  void addChildLinks(std::span<const ScanFinds> finds);

  const GedcomIndex& db_;
  // FAMS links of every record, one pass over the index, built on first use.
  std::vector<FamsLink> links_;
  std::vector<uint32_t> linkStart_;
  std::vector<uint8_t> named_;  // individuals whose names are not both blank
  std::vector<uint8_t> noted_;  // records with a level-1 NOTE line
  // The family the parent cells show: of the first FAMC line whose PEDI is
  // birth or absent, else the first family naming the record in CHIL, else
  // the first FAMC line's; kNoParents without any, kUnknownParents when
  // every FAMC line names no record.
  std::vector<int32_t> parentFamily_;
  std::vector<uint8_t> birthParents_;  // parentFamily_ is a birth family
  static constexpr int32_t kNoParents = -2, kUnknownParents = -1;
  // Only records with HUSB, WIFE or CHIL lines have one; the rules make
  // nothing of the others.
  std::vector<FamilyInfo> families_;
  std::vector<int32_t> familyAt_;  // record -> its entry in families_, -1 for none
  MarriageTexts marriages_;
  std::vector<int32_t> marriageAt_;  // record -> its first end in marriages_.ends, -1 for none
};

// Text order of decimal record numbers: "10" before "9".
bool recordTextLess(int32_t a, int32_t b);

}  // namespace rowsmith
