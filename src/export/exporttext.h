#pragma once
// The delimited export text: the separator, enclosing text and line break
// chosen in the export dialog, and the text built from an export table
// (column 0 the row numbers, then the result columns).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/datecells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

enum class SeparatorChoice { Ascii, Csv, Tab, Free, None };
enum class EncloseChoice { None, Single, Double, Other };
enum class LineBreakChoice { CrLf, Lf, Free, None };
// The bytes of an exported file; the text inside is UTF-8 throughout.
enum class TextEncoding { Windows1252, Utf8, Utf8Bom };

// The dialog's option groups with their defaults; the free texts are in the
// "#" character-code notation.
struct ExportOptions {
  SeparatorChoice separator = SeparatorChoice::Csv;
  std::string separatorFree = "#8";
  EncloseChoice enclose = EncloseChoice::None;
  std::string encloseOther = "!";
  LineBreakChoice lineBreak = LineBreakChoice::CrLf;
  std::string lineBreakFree = "#10#13";
  TextEncoding encoding = TextEncoding::Windows1252;
  // Cells that a spreadsheet would take for a formula are written as they
  // are, without the leading apostrophe that keeps them text.
  bool keepFormulas = false;
};

struct ExportFormat {
  std::string separator;  // S, after every exported cell but one of the last column
  std::string enclose;    // Q, around every exported cell
  std::string lineBreak;  // L, between lines
  bool keepFormulas = false;  // no apostrophe before a cell that reads as a formula
};

// Whether a spreadsheet would take a cell for a formula: it begins with "=",
// or with "+", "-" or "@" and a letter or "(". Unless the format keeps
// formulas, such a data cell (not a header) is written after an apostrophe,
// inside the enclosing text, which makes a spreadsheet show it as text.
bool readsAsFormula(std::string_view cell);

// Decodes the options into S, Q and L; a code NN of the "#" notation is the
// Windows-1252 character NN. On a notation error returns false and
// error holds the decoder's "ERROR - " text, to be shown as it is.
bool decodeExportFormat(const ExportOptions& options, ExportFormat& format, std::string& error);

// The export table of a result table: column 0 the row numbers (empty in the
// header row), then the result columns in the given order, dates as shown.
StringTable makeExportTable(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder);

// The whole export text; exported[c] tells whether column c of the table is
// written. CR and LF inside cells become "<#13>" and "<#10>", an enclosing
// text inside a cell is written twice; no line break follows the last line.
std::string BuildExportText(const StringTable& exportTable, const std::vector<bool>& exported,
                            const ExportFormat& format);
// The same text straight from a result table, without building the export
// table first: rowNumbers exports the row-number column. Here and below,
// the date cells are written as dates shows them.
std::string buildExportTextFromResult(const StringTable& result, const DateCells& dates,
                                      const std::vector<int>& columnOrder, bool rowNumbers,
                                      const ExportFormat& format);

// Without an enclosing text: the exported cells that hold the separator or
// the line break, which a reader of the file would split. 0 with one.
size_t CountCellsThatSplit(const StringTable& exportTable, const std::vector<bool>& exported,
                           const ExportFormat& format);

// The exported cells that hold a formula, given an apostrophe in front
// unless the format keeps formulas.
size_t CountFormulaCells(const StringTable& exportTable, const std::vector<bool>& exported);

// What an export tells besides its text.
struct ExportCounts {
  size_t splitting = 0;  // result cells (not the row numbers) that would split
  size_t formulas = 0;   // cells that read as a formula
};

// Writes the export text of a result table in the bytes of an encoding to
// sink, a stretch of rows at a time and in order; both cores build the
// stretches. A sink that returns false stops the writing.
using ExportSink = std::function<bool(std::string_view bytes)>;
ExportCounts writeResultExport(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder,
                               bool rowNumbers, const ExportFormat& format, TextEncoding encoding,
                               const ExportSink& sink);

// The same text in memory, in pieces to be written one after the other.
struct ExportBytes {
  std::vector<std::string> pieces;
  size_t splitting = 0;
  size_t formulas = 0;
};
ExportBytes exportResult(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder,
                         bool rowNumbers, const ExportFormat& format, TextEncoding encoding);

// The export text in the bytes of an encoding.
std::string encodeExportText(std::string_view text, TextEncoding encoding);

}  // namespace rowsmith
