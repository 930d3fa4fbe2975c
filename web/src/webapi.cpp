// The core as the page and the Node tests see it: one table per module
// instance, imported from a file in the module's memory file system, sorted,
// filtered, searched, read a window of rows at a time and exported with the
// converter's own options.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "export/exporttext.h"
#include "export/rangetext.h"
#include "export/xlsxexport.h"
#include "import/importrun.h"
#include "kernel/sortengine.h"
#include "kernel/tablesearch.h"
#include "kernel/usermessages.h"
#include "nls/nlssupport.h"

using emscripten::val;

namespace rowsmith::web {

namespace {

// The parts of a row as its details show them: 0 the person, 1 the
// marriage, 2 the partner.
int partOf(int column) {
  if (column < 0 || column >= kResultColumns) return 0;
  return static_cast<int>(resultColumns()[static_cast<size_t>(column)].side);
}

const char* kindName(int column) {
  if (column < 0 || column >= kResultColumns) return "text";
  switch (resultColumns()[static_cast<size_t>(column)].kind) {
    case ColumnKind::Id: return "id";
    case ColumnKind::Date: return "date";
    case ColumnKind::Sex: return "sex";
    case ColumnKind::Text: break;
  }
  return "text";
}

// Where the build puts the shipped English language file.
constexpr char kLanguageFolder[] = "/nls/";

// Progress to a JavaScript function (phase, percent) whose true result asks
// the import to stop; messages are kept for the page to show.
class CallbackMessages final : public UserMessages {
 public:
  explicit CallbackMessages(val progress) : progress_(std::move(progress)) {}
  void showMessage(std::string_view text) override { messages_.emplace_back(text); }
  void showProgress(ImportPhase phase, int percent) override {
    if (progress_.isUndefined() || progress_.isNull()) return;
    if (progress_(static_cast<int>(phase), percent).as<bool>()) stop_ = true;
  }
  bool cancelled() const override { return stop_; }
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  val progress_;
  std::vector<std::string> messages_;
  bool stop_ = false;
};

const char* statusName(ImportStatus status) {
  switch (status) {
    case ImportStatus::Imported: return "imported";
    case ImportStatus::NoPersons: return "noPersons";
    case ImportStatus::NotGedcom: return "notGedcom";
    case ImportStatus::CannotOpen: return "cannotOpen";
    case ImportStatus::ReadFailed: return "readFailed";
    case ImportStatus::Cancelled: return "cancelled";
  }
  return "readFailed";
}

std::vector<int> intsOf(const val& array) {
  std::vector<int> out;
  if (array.isUndefined() || array.isNull()) return out;
  const unsigned n = array["length"].as<unsigned>();
  out.reserve(n);
  for (unsigned i = 0; i < n; ++i) out.push_back(array[i].as<int>());
  return out;
}

val bytesOf(const std::vector<std::string>& pieces) {
  size_t total = 0;
  for (const std::string& p : pieces) total += p.size();
  val out = val::global("Uint8Array").new_(total);
  size_t at = 0;
  for (const std::string& p : pieces) {
    out.call<void>("set", val(emscripten::typed_memory_view(p.size(), reinterpret_cast<const uint8_t*>(p.data()))),
                   at);
    at += p.size();
  }
  return out;
}

}  // namespace

class Session {
 public:
  Session() : table_(makeResultTable()) {}

  // Reads a GEDCOM file of the module's file system and shows its dates in
  // the given form. The shown table is replaced only by a table that was
  // read in full.
  val importFile(const std::string& path, bool westernDates, val progress) {
    CallbackMessages messages(std::move(progress));
    StringTable read;
    ImportOutcome outcome;
    try {
      outcome = importGedcom(path, read, messages);
    } catch (const std::bad_alloc&) {
      outcome.status = ImportStatus::ReadFailed;
      outcome.cause = ReadFailure::of(os::errorOfKind(os::ErrorKind::OutOfMemory));
    }
    val result = val::object();
    result.set("status", statusName(outcome.status));
    result.set("persons", static_cast<double>(outcome.persons));
    // The page words the cause from its language texts by key; the system's
    // own words stand in where there is none.
    switch (outcome.cause.kind) {
      case ReadFailure::Kind::None: break;
      case ReadFailure::Kind::System:
        result.set("cause", std::string(causeKey(outcome.cause.system)));
        result.set("systemText", outcome.cause.system.text());
        break;
      case ReadFailure::Kind::CutShort:
        result.set("cause", std::string("CutShort"));
        result.set("bytesRead", static_cast<double>(outcome.cause.bytesRead));
        result.set("bytesExpected", static_cast<double>(outcome.cause.bytesExpected));
        break;
      case ReadFailure::Kind::Cancelled: result.set("cause", std::string("Cancelled")); break;
    }
    result.set("counter", outcome.counter);
    val texts = val::array();
    for (const std::string& m : messages.messages()) texts.call<void>("push", m);
    result.set("messages", texts);
    // A file without persons shows its empty table, as the converter writes it.
    if (outcome.imported() || outcome.status == ImportStatus::NoPersons) {
      table_ = std::move(read);
      shown_.reset();
      setDateForm(westernDates);
    }
    return result;
  }

  // The table stores each date once: a new form changes only how the cells
  // show, so the rows, their order and the filter's rows stay.
  void setDateForm(bool western) {
    dates_.form = western ? DateForm::Western : DateForm::Sortable;
    if (shown_) filter(filter_, false);
  }

  int rowCount() const { return std::max(table_.rowCount() - 1, 0); }
  int shownCount() const { return shown_ ? static_cast<int>(shown_->size()) : rowCount(); }
  bool filtered() const { return shown_.has_value(); }

  // The columns as the table has them: header text, the key of its
  // translation in a language file, its kind and its part of the row.
  val columns() const {
    val out = val::array();
    for (int c = 0; c < table_.columnCount(); ++c) {
      val column = val::object();
      column.set("header", std::string(table_.cell(c, 0)));
      column.set("key", c < kResultColumns ? std::string(resultColumns()[static_cast<size_t>(c)].key) : std::string());
      column.set("kind", kindName(c));
      column.set("part", partOf(c));
      out.call<void>("push", column);
    }
    return out;
  }

  // The table row shown at position i (0-based) of the grid.
  int tableRow(int shownIndex) const {
    if (shownIndex < 0 || shownIndex >= shownCount()) return -1;
    return shown_ ? (*shown_)[static_cast<size_t>(shownIndex)] : shownIndex + 1;
  }

  int shownIndexOf(int row) const {
    if (!shown_) return row >= 1 && row < table_.rowCount() ? row - 1 : -1;
    auto at = std::lower_bound(shown_->begin(), shown_->end(), row);
    return at != shown_->end() && *at == row ? static_cast<int>(at - shown_->begin()) : -1;
  }

  // Shown rows first.. as arrays of all their cells, each led by its table row.
  val rows(int first, int count) const {
    val out = val::array();
    const int end = std::min(shownCount(), first + std::max(count, 0));
    for (int i = std::max(first, 0); i < end; ++i) out.call<void>("push", row(tableRow(i)));
    return out;
  }

  val row(int tableRowNumber) const {
    val cells = val::array();
    if (tableRowNumber < 1 || tableRowNumber >= table_.rowCount()) return cells;
    cells.call<void>("push", tableRowNumber);
    std::string scratch;
    for (int c = 0; c < table_.columnCount(); ++c)
      cells.call<void>("push", std::string(dates_.shown(table_, c, tableRowNumber, scratch)));
    return cells;
  }

  // Sorts by the keys, the deciding one first; returns where the row that
  // was selected stands now. The filter is applied again after.
  int sort(val keys, bool descending, int selectedRow) {
    const std::vector<int> columns = intsOf(keys);
    const int row = SortTableKeepingRow(table_, columns, descending, selectedRow, dates_);
    if (shown_) filter(filter_, false);
    return row;
  }

  // Shows only the rows with a cell that contains the text; an empty text
  // shows every row. narrow: the text grew, so only shown rows are searched.
  int filter(const std::string& needle, bool narrow) {
    filter_ = needle;
    if (needle.empty()) {
      shown_.reset();
      return rowCount();
    }
    const TableSearch search(needle);
    shown_ = narrow && shown_ ? filterRows(table_, dates_, search, *shown_) : filterRows(table_, dates_, search);
    return static_cast<int>(shown_->size());
  }

  // The next cell with the text among the shown rows and columns, from a
  // shown position: {index, column} in shown terms, or null.
  val find(const std::string& needle, val shownColumns, int fromIndex, int fromColumn, bool backward) const {
    const TableSearch search(needle);
    const std::vector<int> columns = intsOf(shownColumns);
    std::vector<int> all;
    if (!shown_) {
      all.resize(static_cast<size_t>(rowCount()));
      for (size_t r = 0; r < all.size(); ++r) all[r] = static_cast<int>(r) + 1;
    }
    const std::vector<int>& rows = shown_ ? *shown_ : all;
    const std::optional<ShownCell> found = findCell(table_, dates_, search, rows, columns, {fromIndex, fromColumn}, backward);
    if (!found) return val::null();
    val out = val::object();
    out.set("index", found->row);
    out.set("column", found->column);
    return out;
  }

  // Whether a cell contains the text, as find and the highlight see it.
  bool contains(const std::string& needle, const std::string& text) const { return TableSearch(needle).contains(text); }

  // Shown rows first..last, the given columns, as tab-separated lines.
  std::string copyRange(int first, int last, val shownColumns) const {
    std::vector<int> rows;
    for (int i = std::max(first, 0); i <= last && i < shownCount(); ++i) rows.push_back(tableRow(i));
    const std::vector<int> columns = intsOf(shownColumns);
    return rangeText(table_, dates_, rows, columns);
  }

  // The export as the converter writes it, with its command-line options
  // (no input file). The shown rows in their order, the filter followed; a
  // limit above 0 exports only that many rows, for a preview. A
  // --sort sorts the table first, as the converter does.
  val exportBytes(val args, int limit) {
    std::vector<std::string> list;
    const unsigned n = args["length"].as<unsigned>();
    for (unsigned i = 0; i < n; ++i) list.push_back(args[i].as<std::string>());
    // The bytes come back to the caller; a workbook needs a name all the same.
    list.insert(list.begin(), {"-o", "/export.out"});
    list.emplace_back("--");
    list.emplace_back("table");
    val result = val::object();
    cli::ConvertOptions options;
    std::string error;
    ExportFormat format;
    if (!cli::parseConvertOptions(list, options, error) || !decodeExportFormat(options.format, format, error)) {
      result.set("error", error);
      return result;
    }
    // The dates as shown, unless the options name a form.
    DateCells dates = dates_;
    if (std::any_of(list.begin(), list.end(), [](const std::string& a) { return a.rfind("--dates", 0) == 0; }))
      dates.form = options.westernDates ? DateForm::Western : DateForm::Sortable;
    if (!options.sortKeys.empty()) sortBy(options.sortKeys, options.descending, dates);
    // The shown rows, or only the first `limit` of them for a preview.
    const bool copy = shown_ || (limit > 0 && limit < rowCount());
    StringTable visible(copy ? table_.columnCount() : 0);
    if (copy) {
      const int rows = limit > 0 ? std::min(limit, shownCount()) : shownCount();
      visible.setRowCount(rows + 1);
      for (int r = 0; r <= rows; ++r) {
        const int from = r == 0 ? 0 : tableRow(r - 1);
        for (int c = 0; c < table_.columnCount(); ++c) visible.setCell(c, r, table_.cell(c, from));
      }
    }
    StringTable& source = copy ? visible : table_;
    std::vector<std::string> germanHeaders;
    std::string englishFemale;
    if (options.english) {
      TNLS english;
      english.SetLanguage(44);
      english.setLanguageFolder(kLanguageFolder);
      english.setReadOnly(true);
      const std::vector<std::string> headers = translatedResultHeaders(english);
      for (int c = 0; c < kResultColumns; ++c) {
        germanHeaders.emplace_back(source.cell(c, 0));
        source.setCell(c, 0, headers[static_cast<size_t>(c)]);
      }
      localizeSexCells(source, english);
      englishFemale = english.GetNLSText("Sexes", "Female", "W");
    }
    if (options.xlsx) {
      XlsxOutcome book = buildXlsxWorkbook(source, dates, options.columns, options.rowNumbers);
      if (book.ok) {
        result.set("bytes", bytesOf({book.bytes}));
        result.set("cutCells", static_cast<double>(book.cutCells));
      } else {
        result.set("error", book.cause);
      }
    } else {
      ExportBytes bytes = exportResult(source, dates, options.columns, options.rowNumbers, format, options.format.encoding);
      result.set("bytes", bytesOf(bytes.pieces));
      result.set("splitting", static_cast<double>(bytes.splitting));
    }
    for (size_t c = 0; c < germanHeaders.size(); ++c) source.setCell(static_cast<int>(c), 0, germanHeaders[c]);
    // The table keeps its own letters; a sex cell holds "M", "W" or nothing.
    if (!englishFemale.empty() && englishFemale != "W" && englishFemale != "M") {
      for (int c = 0; c < kResultColumns; ++c) {
        if (resultColumns()[static_cast<size_t>(c)].kind != ColumnKind::Sex) continue;
        for (int r = 1; r < source.rowCount(); ++r)
          if (source.cell(c, r) == englishFemale) source.setCell(c, r, "W");
      }
    }
    result.set("rows", source.rowCount() - 1);
    return result;
  }

 private:
  void sortBy(const std::vector<int>& keys, bool descending, const DateCells& dates) {
    SortGridRows(table_, 1, table_.rowCount() - 1, descending, keys, dates);
    if (shown_) filter(filter_, false);
  }

  StringTable table_;
  DateCells dates_ = resultDateCells(DateForm::Western);
  std::optional<std::vector<int>> shown_;
  std::string filter_;
};

// The converter's command-line help, which names every export option.
std::string usage() { return cli::usageText(); }

// Whether this build was made with the workbook writer.
bool writesWorkbooks() { return buildXlsxWorkbook(makeResultTable(), {}, {0}, false).ok; }

EMSCRIPTEN_BINDINGS(rowsmith) {
  emscripten::class_<Session>("Session")
      .constructor<>()
      .function("importFile", &Session::importFile)
      .function("setDateForm", &Session::setDateForm)
      .function("rowCount", &Session::rowCount)
      .function("shownCount", &Session::shownCount)
      .function("filtered", &Session::filtered)
      .function("columns", &Session::columns)
      .function("tableRow", &Session::tableRow)
      .function("shownIndexOf", &Session::shownIndexOf)
      .function("rows", &Session::rows)
      .function("row", &Session::row)
      .function("sort", &Session::sort)
      .function("filter", &Session::filter)
      .function("find", &Session::find)
      .function("contains", &Session::contains)
      .function("copyRange", &Session::copyRange)
      .function("exportBytes", &Session::exportBytes);
  emscripten::function("usage", &usage);
  emscripten::function("writesWorkbooks", &writesWorkbooks);
}

}  // namespace rowsmith::web
