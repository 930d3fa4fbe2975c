#include "cli/conversion.h"

#include <stdexcept>

#include "cli/console.h"
#include "cli/output.h"
#include "export/exporttext.h"
#include "export/xlsxexport.h"
#include "import/importrun.h"
#include "nls/nlssupport.h"
#include "kernel/sortengine.h"
#include "os/osfile.h"

namespace rowsmith::cli {

namespace {

// What can be told about the input without opening it: a pipe is opened only
// once, by the reader.
std::string inputProblem(const std::string& input) {
  if (input == "-") return {};
  os::Error error;
  const os::FileInfo info = os::fileInfo(input, &error);
  if (info.kind == os::FileKind::Missing) return "cannot read " + input + ": " + error.text();
  if (info.kind == os::FileKind::Folder) return "cannot read " + input + ": it is a folder";
  return {};
}

std::string failureText(const ReadFailure& failure) {
  switch (failure.kind) {
    case ReadFailure::Kind::None: break;
    case ReadFailure::Kind::System:
      return failure.system.kind() == os::ErrorKind::NotFound ? "File not found" : failure.system.text();
    case ReadFailure::Kind::CutShort:
      return "the file ended after " + std::to_string(failure.bytesRead) + " of " +
             std::to_string(failure.bytesExpected) + " bytes";
    case ReadFailure::Kind::Cancelled: return "cancelled";
  }
  return {};
}

// The failure line for an import that gave no table; empty when it did.
std::string importProblem(const ImportOutcome& outcome, const std::string& input) {
  const std::string cause = outcome.cause.empty() ? std::string() : ": " + failureText(outcome.cause);
  switch (outcome.status) {
    case ImportStatus::Imported:
    case ImportStatus::NoPersons:
      return {};
    case ImportStatus::CannotOpen:
      return "cannot read " + input + cause;
    case ImportStatus::NotGedcom:
      return input + " is not a GEDCOM file: its first line holds no \"0 HEAD\"";
    case ImportStatus::Cancelled:  // the converter never asks to stop
    case ImportStatus::ReadFailed:
      if (!outcome.cause.empty()) return input + cause;
      return "reading " + input + " failed after line " + std::to_string(-outcome.counter);
  }
  return {};
}

// The header line from the English language file; false when there is none.
bool useEnglishHeaders(StringTable& table) {
  // The English texts live in the shipped language file, as the window's do.
  TNLS english;
  english.SetLanguage(44);
  copyShippedLanguageFiles(english.languageFolder());
  if (os::fileInfo(english.languageFileName()).kind != os::FileKind::Regular) {
    printError("no English language file " + english.languageFileName());
    return false;
  }
  english.setReadOnly(true);
  const std::vector<std::string> headers = translatedResultHeaders(english);
  bool translated = false;
  for (int c = 0; c < kResultColumns; ++c) {
    table.setCell(c, 0, headers[static_cast<size_t>(c)]);
    translated |= headers[static_cast<size_t>(c)] != resultColumns()[static_cast<size_t>(c)].header;
  }
  localizeSexCells(table, english);
  // An empty or unreadable file gives the German defaults.
  if (!translated)
    printError("the English language file " + english.languageFileName() +
               " gives no texts; the header line stays German");
  return true;
}

// Writes a workbook, or the delimited text in its encoding; counts the
// cells a spreadsheet would split. False when the workbook cannot be made.
bool exportTable(const ConvertOptions& options, const ExportFormat& format, const StringTable& table,
                 TableOutput& output, ExportCounts& counts) {
  const DateCells dates = resultDateCells(options.westernDates ? DateForm::Western : DateForm::Sortable);
  if (options.xlsx) {
    // A file target gets the workbook straight into the file that will
    // replace it; standard output by way of the temporary folder.
    const std::string into = output.temporaryPath();
    XlsxOutcome book = into.empty() ? buildXlsxWorkbook(table, dates, options.columns, options.rowNumbers)
                                    : writeXlsxWorkbook(into, table, dates, options.columns, options.rowNumbers);
    if (!book.ok) {
      printError(book.cause);
      return false;
    }
    if (book.cutCells > 0)
      printError(std::to_string(book.cutCells) + " cells cut to the 32767 characters a spreadsheet cell holds");
    if (book.replacedChars > 0)
      printError(std::to_string(book.replacedChars) +
                 " characters U+FFFE or U+FFFF, which a workbook cannot hold, written as U+FFFD");
    if (into.empty()) output.write(book.bytes);
    return true;
  }
  counts = writeResultExport(table, dates, options.columns, options.rowNumbers, format, options.format.encoding,
                             [&output](std::string_view bytes) { return output.write(bytes); });
  return true;
}

}  // namespace

int convertFile(const ConvertOptions& options) {
  if (std::string problem = inputProblem(options.input); !problem.empty()) {
    printError(problem);
    return 1;
  }
  ExportFormat format;
  std::string error;
  if (!decodeExportFormat(options.format, format, error)) {
    printError(error);
    return 2;
  }
  TableOutput output;
  if (std::string problem = output.open(options.output, options.input); !problem.empty()) {
    printError(problem);
    return 1;
  }

  ConsoleMessages messages(options.quiet, options.input);

  StringTable table;
  ImportOutcome outcome;
  outcome = importGedcom(options.input, table, messages);
  if (std::string problem = importProblem(outcome, options.input); !problem.empty()) {
    messages.clearProgress();
    const bool saidWhy = messages.coreSpoke() &&
                         (outcome.status == ImportStatus::CannotOpen || outcome.status == ImportStatus::ReadFailed);
    if (!saidWhy) printError(problem);
    return 1;
  }
  if (outcome.imported() && !options.quiet) messages.showNews(importedMessage(outcome.persons));
  if (outcome.textAfterEndByteLine > 0) {
    messages.clearProgress();
    printError(options.input + ": line " + std::to_string(outcome.textAfterEndByteLine) +
               " holds a byte 26, which ends the file; the text after it was not read");
  }
  if (!outcome.imported()) {
    messages.clearProgress();
    printError("no individuals in " + options.input + "; only the header line is written");
  }

  if (!options.sortKeys.empty())
    SortGridRows(table, 1, table.rowCount() - 1, options.descending, options.sortKeys,
                 resultDateCells(options.westernDates ? DateForm::Western : DateForm::Sortable));
  if (options.english && !useEnglishHeaders(table)) return 1;
  messages.showProgress(ImportPhase::Export, 0);
  ExportCounts counts;
  if (!exportTable(options, format, table, output, counts)) {
    messages.clearProgress();
    return 1;
  }
  messages.showProgress(ImportPhase::Export, 100);
  messages.clearProgress();

  const std::string problem = output.finish();
  if (problem.empty()) {
    // Told after the table is safe, and only then: a failed write is news enough.
    if (counts.splitting > 0)
      printError(std::to_string(counts.splitting) +
                 " cells contain the separator or a line break; use --enclose double");
    if (counts.formulas > 0 && !options.format.keepFormulas)
      printError(std::to_string(counts.formulas) +
                 " cells begin like a formula and were written after an apostrophe; --keep-formulas keeps them as they are");
    return 0;
  }
  if (problem != "-") printError(problem);
  return 1;
}

}  // namespace rowsmith::cli
