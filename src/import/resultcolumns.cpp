#include "import/resultcolumns.h"

#include <algorithm>
#include <array>

namespace rowsmith {

namespace {

using K = ColumnKind;
using S = ColumnSide;

constexpr std::array<ResultColumn, kResultColumns> kColumns{{
    {"Id", "ID :", K::Id, S::Person},
    {"Name", "Name :", K::Text, S::Person},
    {"GivenName", "Vorname :", K::Text, S::Person},
    {"Surname", "Nachname :", K::Text, S::Person},
    {"Sex", "Geschlecht :", K::Sex, S::Person},
    {"BirthDate", "Geburtsdatum :", K::Date, S::Person},
    {"BirthPlace", "Geburtsort :", K::Text, S::Person},
    {"ChristeningDate", "Taufdatum :", K::Date, S::Person},
    {"ChristeningPlace", "Taufort :", K::Text, S::Person},
    {"DeathDate", "Sterbedatum :", K::Date, S::Person},
    {"DeathPlace", "Sterbeort :", K::Text, S::Person},
    {"BurialDate", "Bestattungsdatum :", K::Date, S::Person},
    {"BurialPlace", "Bestattungsort :", K::Text, S::Person},
    {"Religion", "Religion :", K::Text, S::Person},
    {"Occupation", "Beruf :", K::Text, S::Person},
    {"Notes", "Bemerkungen :", K::Text, S::Person},
    {"FatherId", "ID Vater :", K::Id, S::Person},
    {"MotherId", "ID Mutter :", K::Id, S::Person},
    {"MarriageDate", "Heiratsdatum :", K::Date, S::Marriage},
    {"MarriagePlace", "Heiratsort :", K::Text, S::Marriage},
    {"MarriageNote", "Heiratsbemerkung :", K::Text, S::Marriage},
    {"IdPartner", "ID (Partner) :", K::Id, S::Partner},
    {"NamePartner", "Name (Partner) :", K::Text, S::Partner},
    {"GivenNamePartner", "Vorname (Partner) :", K::Text, S::Partner},
    {"SurnamePartner", "Nachname (Partner) :", K::Text, S::Partner},
    {"SexPartner", "Geschlecht (Partner) :", K::Sex, S::Partner},
    {"BirthDatePartner", "Geburtsdatum (Partner) :", K::Date, S::Partner},
    {"BirthPlacePartner", "Geburtsort (Partner) :", K::Text, S::Partner},
    {"ChristeningDatePartner", "Taufdatum (Partner) :", K::Date, S::Partner},
    {"ChristeningPlacePartner", "Taufort (Partner) :", K::Text, S::Partner},
    {"DeathDatePartner", "Sterbedatum (Partner) :", K::Date, S::Partner},
    {"DeathPlacePartner", "Sterbeort (Partner) :", K::Text, S::Partner},
    {"BurialDatePartner", "Bestattungsdatum (Partner) :", K::Date, S::Partner},
    {"BurialPlacePartner", "Bestattungsort (Partner) :", K::Text, S::Partner},
    {"ReligionPartner", "Religion (Partner) :", K::Text, S::Partner},
    {"OccupationPartner", "Beruf (Partner) :", K::Text, S::Partner},
    {"NotesPartner", "Bemerkungen (Partner) :", K::Text, S::Partner},
    {"FatherIdPartner", "ID Vater (Partner) :", K::Id, S::Partner},
    {"MotherIdPartner", "ID Mutter (Partner) :", K::Id, S::Partner},
}};

constexpr std::array<int, 9> kDateColumns = [] {
  std::array<int, 9> dates{};
  size_t n = 0;
  for (int c = 0; c < kResultColumns; ++c)
    if (kColumns[static_cast<size_t>(c)].kind == K::Date) dates[n++] = c;
  return dates;
}();

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace

std::span<const ResultColumn, kResultColumns> resultColumns() { return kColumns; }

int findResultColumn(std::string_view name) {
  for (int c = 0; c < kResultColumns; ++c) {
    const ResultColumn& column = kColumns[static_cast<size_t>(c)];
    std::string_view bare = column.header.substr(0, column.header.size() - 2);  // without " :"
    if (sameIgnoringAsciiCase(name, column.key) || sameIgnoringAsciiCase(name, column.header) ||
        sameIgnoringAsciiCase(name, bare))
      return c;
  }
  return -1;
}

std::span<const int> resultDateColumns() { return kDateColumns; }

DateCells resultDateCells(DateForm form) { return {kDateColumns, form}; }

bool isResultDateColumn(int column) {
  return column >= 0 && column < kResultColumns && kColumns[static_cast<size_t>(column)].kind == K::Date;
}

}  // namespace rowsmith
