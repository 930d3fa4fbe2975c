#pragma once
// The 39 columns of the result table as data: the key by which language files
// and settings name a column, its built-in German header, what its cells hold
// and on which side of the row it stands. Header texts are a view of this:
// code that needs to know a column asks here, never compares headers.
#include <span>
#include <string_view>
#include <vector>

#include "kernel/datecells.h"

namespace rowsmith {

inline constexpr int kResultColumns = 39;

enum class ColumnKind {
  Id,    // a record number, "0" for none
  Text,
  Date,  // a converted GEDCOM date, sorted by its date key
  Sex,
};

enum class ColumnSide {
  Person,    // the man, or a single person of either sex
  Marriage,  // the couple's marriage
  Partner,   // the woman, or a single woman
};

struct ResultColumn {
  std::string_view key;     // "BirthDate"; language files ("Headers") and settings use it
  std::string_view header;  // "Geburtsdatum :"
  ColumnKind kind;
  ColumnSide side;
};

std::span<const ResultColumn, kResultColumns> resultColumns();
// The column named by its key or its German header (with or without the
// trailing " :"), ASCII case ignored; -1 for none.
int findResultColumn(std::string_view keyOrHeader);
// The columns of kind Date, in column order.
std::span<const int> resultDateColumns();
// The date columns of a result table, shown in the given form.
DateCells resultDateCells(DateForm form);
bool isResultDateColumn(int column);

}  // namespace rowsmith
