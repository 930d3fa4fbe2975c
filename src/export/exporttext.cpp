#include "export/exporttext.h"

#include <charconv>
#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstring>

#include "kernel/cp1252.h"
#include "kernel/datecells.h"
#include "kernel/runbeside.h"
#include "kernel/charcodes.h"
#include "kernel/textcodec.h"

namespace rowsmith {

namespace {

bool decodeFree(std::string_view text, std::string& out, std::string& error) {
  const DecodedCharCodes decoded = decodeCharCodes(text);
  out.clear();
  if (!decoded.ok()) {
    error = charCodeErrorText(decoded.error);
    return false;
  }
  // Byte 0 stays: a typed "#0" is meant.
  for (char c : decoded.bytes) appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(c)));
  return true;
}

void appendBreaksEscaped(std::string& out, std::string_view cell) {
  bool hasBreak = false;
  for (char c : cell) hasBreak |= (c == '\r') | (c == '\n');
  if (!hasBreak) {
    out.append(cell);
    return;
  }
  for (char c : cell) {
    if (c == '\r') out.append("<#13>");
    else if (c == '\n') out.append("<#10>");
    else out += c;
  }
}

// An enclosing text inside a cell is written twice, so that a reader of the
// file does not take it for the cell's end.
void appendCell(std::string& out, std::string_view cell, std::string_view enclose) {
  if (enclose.empty() || cell.find(enclose) == std::string_view::npos) {
    appendBreaksEscaped(out, cell);
    return;
  }
  for (size_t at = cell.find(enclose); at != std::string_view::npos; at = cell.find(enclose)) {
    appendBreaksEscaped(out, cell.substr(0, at + enclose.size()));
    out.append(enclose);
    cell.remove_prefix(at + enclose.size());
  }
  appendBreaksEscaped(out, cell);
}

bool contains(std::string_view text, std::string_view part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

// The bytes of a cell that need care: CR and LF, and the first bytes of the
// enclosing text, the separator and the line break. Most cells hold none of
// them; those are written as they stand and split nothing.
class CellScan {
 public:
  explicit CellScan(const ExportFormat& format) {
    mark('\r');
    mark('\n');
    for (const std::string* text : {&format.enclose, &format.separator, &format.lineBreak})
      if (!text->empty()) mark((*text)[0]);
  }
  bool plain(std::string_view cell) const {
    uint8_t any = 0;
    for (char c : cell) any |= special_[static_cast<uint8_t>(c)];
    return any == 0;
  }

 private:
  void mark(char c) { special_[static_cast<uint8_t>(c)] = 1; }
  std::array<uint8_t, 256> special_{};
};

// One written column: the table column it shows (kRowNumber for the row
// number), whether a separator follows it, whether it counts among the cells
// that split, whether it holds dates.
struct WrittenColumn {
  int source;
  bool separator;
  bool counted;
  bool dated = false;
};
constexpr int kRowNumber = -1;
constexpr int kNoColumn = -2;  // a column the table lacks: always empty

// Writes the rows of a table in the format. Counts, without an enclosing
// text, the counted cells that hold the separator or the line break, which a
// reader of the file would split.
class RowWriter {
 public:
  RowWriter(const StringTable& table, std::vector<WrittenColumn> columns, const ExportFormat& format,
            const DateCells& dates = {})
      : table_(table), columns_(std::move(columns)), format_(format), scan_(format), dateForm_(dates.form) {
    for (WrittenColumn& column : columns_) {
      if (column.source < kRowNumber || column.source >= table.columnCount()) column.source = kNoColumn;
      column.dated = dates.holdsDates(column.source);
    }
  }

  int rows() const { return table_.rowCount(); }
  size_t splitting() const { return splitting_; }
  size_t formulas() const { return formulas_; }

  // Row r and the line break after it, unless it is the last row.
  void append(std::string& out, int r) {
    const std::string_view text = table_.rowText(r);
    const std::span<const uint32_t> ends = table_.cellEnds(r);
    // Most rows need no care in any cell: their cells are copied as they are.
    const bool plainRow = format_.enclose.empty() && scan_.plain(text);
    char number[16];
    for (const WrittenColumn& column : columns_) {
      std::string_view cell;
      if (column.source == kRowNumber) {
        if (r > 0) cell = std::string_view(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, r).ptr - number));
      } else if (column.source != kNoColumn) {
        const uint32_t begin = column.source == 0 ? 0 : ends[static_cast<size_t>(column.source) - 1];
        cell = text.substr(begin, ends[static_cast<size_t>(column.source)] - begin);
      }
      // A date is written as shown, which the row's own text does not hold.
      const bool dated = column.dated && r > 0;
      if (dated) cell = shownDate(cell, dateForm_, shown_);
      const bool formula = r > 0 && !cell.empty() && readsAsFormula(cell);
      formulas_ += formula;
      const bool guarded = formula && !format_.keepFormulas;
      if (plainRow && (!dated || scan_.plain(cell))) {
        if (guarded) out += '\'';
        out.append(cell);
      } else {
        appendFramed(out, cell, column.counted, guarded);
      }
      if (column.separator) out.append(format_.separator);
    }
    if (r != rows() - 1) out.append(format_.lineBreak);
  }

 private:
  void appendFramed(std::string& out, std::string_view cell, bool counted, bool guarded) {
    out.append(format_.enclose);
    if (guarded) out += '\'';
    if (scan_.plain(cell)) {
      out.append(cell);
    } else {
      const size_t begin = out.size();
      appendCell(out, cell, format_.enclose);
      // What the file holds decides: line breaks inside are written as codes.
      const std::string_view written = std::string_view(out).substr(begin);
      splitting_ += format_.enclose.empty() && counted &&
                    (contains(written, format_.separator) || contains(written, format_.lineBreak));
    }
    out.append(format_.enclose);
  }

  const StringTable& table_;
  std::vector<WrittenColumn> columns_;
  const ExportFormat& format_;
  CellScan scan_;
  DateForm dateForm_;
  std::string shown_;  // the date cell being written
  size_t splitting_ = 0;
  size_t formulas_ = 0;
};

// The written columns of a table whose column c is written when exported(c):
// a separator follows each but one of the table's last column.
template <typename ExportedFn>
std::vector<WrittenColumn> writtenColumns(int columns, ExportedFn exported, int firstCounted,
                                          const std::vector<int>* sources = nullptr) {
  std::vector<WrittenColumn> written;
  for (int c = 0; c < columns; ++c) {
    if (!exported(c)) continue;
    const int source = sources ? (*sources)[static_cast<size_t>(c)] : c;
    written.push_back({source, c != columns - 1, c >= firstCounted});
  }
  return written;
}

// Text that may be encoded apart from what comes before it: it starts with an
// ASCII character, which begins a character cluster of its own (LF may
// belong to a CR before it).
bool startsAlone(std::string_view text) {
  return !text.empty() && static_cast<uint8_t>(text[0]) < 0x80 && text[0] != '\n';
}

// Rows [from, to) in the bytes of the encoding, appended to out; text is
// room for the UTF-8 text on the way.
void writeRows(RowWriter& writer, int from, int to, TextEncoding encoding, std::string& text, std::string& out) {
  if (encoding != TextEncoding::Windows1252) {
    for (int r = from; r < to; ++r) writer.append(out, r);
    return;
  }
  text.clear();
  for (int r = from; r < to; ++r) writer.append(text, r);
  appendWindows1252(out, text);
}

// The first rows of the stretches the text is built in, a stretch being a
// few thousand rows, and the end: each stretch may be encoded apart from
// the one before.
std::vector<int> stretchStarts(RowWriter writer, TextEncoding encoding) {
  constexpr int kStretchRows = 8192;
  std::vector<int> starts{0};
  std::string row;
  for (int r = kStretchRows; r < writer.rows(); r += kStretchRows) {
    if (encoding == TextEncoding::Windows1252) {
      row.clear();
      writer.append(row, r);
      if (!startsAlone(row)) continue;  // joined to the stretch before
    }
    starts.push_back(r);
  }
  starts.push_back(writer.rows());
  return starts;
}

// Hands the stretches to the sink in order, whichever core built them.
class StretchTurns {
 public:
  // Waits for stretch k's turn; false when the writing has stopped.
  bool await(size_t k) {
    std::unique_lock lock(mutex_);
    turn_.wait(lock, [&] { return next_ == k || stopped_; });
    return !stopped_;
  }
  void done(bool goOn) {
    {
      std::lock_guard lock(mutex_);
      ++next_;
      stopped_ = stopped_ || !goOn;
    }
    turn_.notify_all();
  }
  void stop() { done(false); }
  bool stopped() {
    std::lock_guard lock(mutex_);
    return stopped_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  size_t next_ = 0;
  bool stopped_ = false;
};

}  // namespace

bool readsAsFormula(std::string_view cell) {
  if (cell.empty()) return false;
  if (cell[0] == '=') return true;
  if ((cell[0] != '+' && cell[0] != '-' && cell[0] != '@') || cell.size() < 2) return false;
  const char next = cell[1];
  if (next == '(' || (next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z')) return true;
  // A letter beyond ASCII: from U+00C0 on, but for the signs of Latin-1
  // (× and ÷) and the blocks of punctuation, symbols and arrows.
  char32_t code = 0;
  if (static_cast<unsigned char>(next) < 0x80 || utf8SequenceAt(cell, 1, code) == 0) return false;
  return code >= 0xC0 && code != 0xD7 && code != 0xF7 && !(code >= 0x2000 && code <= 0x2BFF) &&
         !(code >= 0x3000 && code <= 0x303F);
}

bool decodeExportFormat(const ExportOptions& options, ExportFormat& format, std::string& error) {
  format = ExportFormat{};
  format.keepFormulas = options.keepFormulas;
  error.clear();
  switch (options.separator) {
    case SeparatorChoice::Ascii: format.separator.append(","); break;
    case SeparatorChoice::Csv: format.separator.append(";"); break;
    case SeparatorChoice::Tab: format.separator.append("\t"); break;
    case SeparatorChoice::Free:
      if (!decodeFree(options.separatorFree, format.separator, error)) return false;
      break;
    case SeparatorChoice::None: break;
  }
  switch (options.enclose) {
    case EncloseChoice::Single: format.enclose.append("'"); break;
    case EncloseChoice::Double: format.enclose.append("\""); break;
    case EncloseChoice::Other:
      if (!decodeFree(options.encloseOther, format.enclose, error)) return false;
      break;
    case EncloseChoice::None: break;
  }
  switch (options.lineBreak) {
    case LineBreakChoice::CrLf: format.lineBreak.append("\r\n"); break;
    case LineBreakChoice::Lf: format.lineBreak.append("\n"); break;
    case LineBreakChoice::Free:
      if (!decodeFree(options.lineBreakFree, format.lineBreak, error)) return false;
      break;
    case LineBreakChoice::None: break;
  }
  return true;
}

StringTable makeExportTable(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder) {
  StringTable table(static_cast<int>(columnOrder.size()) + 1);
  table.setRowCount(result.rowCount());
  std::string scratch;
  std::vector<bool> dated;
  for (int c : columnOrder) dated.push_back(dates.holdsDates(c));
  for (int r = 0; r < result.rowCount(); ++r) {
    if (r > 0) table.setCell(0, r, std::to_string(r));
    for (size_t i = 0; i < columnOrder.size(); ++i) {
      std::string_view text = result.cell(columnOrder[i], r);
      if (dated[i] && r > 0) text = shownDate(text, dates.form, scratch);
      if (!text.empty()) table.setCell(static_cast<int>(i) + 1, r, text);
    }
  }
  return table;
}

std::string BuildExportText(const StringTable& t, const std::vector<bool>& exported, const ExportFormat& format) {
  auto isExported = [&](int c) { return static_cast<size_t>(c) < exported.size() && exported[static_cast<size_t>(c)]; };
  RowWriter writer(t, writtenColumns(t.columnCount(), isExported, 0), format);
  std::string out;
  size_t size = 0;
  for (int r = 0; r < t.rowCount(); ++r) size += t.rowText(r).size();
  out.reserve(size + static_cast<size_t>(t.rowCount()) *
                         (static_cast<size_t>(t.columnCount()) * (2 * format.enclose.size() + format.separator.size()) +
                          format.lineBreak.size()));
  for (int r = 0; r < t.rowCount(); ++r) writer.append(out, r);
  return out;
}

ExportCounts writeResultExport(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder,
                               bool rowNumbers, const ExportFormat& format, TextEncoding encoding,
                               const ExportSink& sink) {
  const int columns = static_cast<int>(columnOrder.size()) + 1;
  std::vector<int> sources{kRowNumber};
  sources.insert(sources.end(), columnOrder.begin(), columnOrder.end());
  const RowWriter writer(
      result, writtenColumns(columns, [rowNumbers](int c) { return c > 0 || rowNumbers; }, 1, &sources), format,
      dates);
  const std::vector<int> starts = stretchStarts(writer, encoding);
  const size_t stretches = starts.size() - 1;
  if (encoding == TextEncoding::Utf8Bom && !sink("\xEF\xBB\xBF")) return {};

  // Each core builds every other stretch into buffers of its own, reused
  // from stretch to stretch, and writes it when the one before is written.
  StretchTurns turns;
  auto build = [&](size_t first, size_t step, RowWriter& own) {
    std::string text, out;
    try {
      for (size_t k = first; k < stretches && !turns.stopped(); k += step) {
        out.clear();
        writeRows(own, starts[k], starts[k + 1], encoding, text, out);
        if (!turns.await(k)) return;
        turns.done(sink(out));
      }
    } catch (...) {
      turns.stop();  // the other core must not wait for a turn that never comes
      throw;
    }
  };
  RowWriter firstWriter = writer, secondWriter = writer;
  if (stretches < 2) {
    build(0, 1, firstWriter);
    return {firstWriter.splitting(), firstWriter.formulas()};
  }
  // Without a second thread this one builds every stretch, and the work
  // beside, run at join(), finds nothing left.
  std::atomic<bool> alone{false};
  BesideWork beside([&] {
    if (!alone) build(1, 2, secondWriter);
  });
  if (!beside.onSecondThread()) alone = true;
  build(0, alone ? 1 : 2, firstWriter);
  beside.join();
  return {firstWriter.splitting() + secondWriter.splitting(), firstWriter.formulas() + secondWriter.formulas()};
}

ExportBytes exportResult(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder,
                         bool rowNumbers, const ExportFormat& format, TextEncoding encoding) {
  ExportBytes bytes;
  bytes.pieces.emplace_back();
  std::string& text = bytes.pieces.back();
  const ExportCounts counts =
      writeResultExport(result, dates, columnOrder, rowNumbers, format, encoding, [&](std::string_view part) {
        text.append(part);
        return true;
      });
  bytes.splitting = counts.splitting;
  bytes.formulas = counts.formulas;
  return bytes;
}

std::string buildExportTextFromResult(const StringTable& result, const DateCells& dates,
                                      const std::vector<int>& columnOrder, bool rowNumbers,
                                      const ExportFormat& format) {
  return std::move(exportResult(result, dates, columnOrder, rowNumbers, format, TextEncoding::Utf8).pieces[0]);
}

size_t CountCellsThatSplit(const StringTable& t, const std::vector<bool>& exported, const ExportFormat& format) {
  if (!format.enclose.empty()) return 0;
  auto isExported = [&](int c) { return static_cast<size_t>(c) < exported.size() && exported[static_cast<size_t>(c)]; };
  RowWriter writer(t, writtenColumns(t.columnCount(), isExported, 0), format);
  std::string row;
  for (int r = 0; r < t.rowCount(); ++r) {
    row.clear();
    writer.append(row, r);
  }
  return writer.splitting();
}

size_t CountFormulaCells(const StringTable& t, const std::vector<bool>& exported) {
  size_t formulas = 0;
  for (int c = 0; c < t.columnCount(); ++c) {
    if (static_cast<size_t>(c) >= exported.size() || !exported[static_cast<size_t>(c)]) continue;
    for (int r = 1; r < t.rowCount(); ++r) formulas += readsAsFormula(t.cell(c, r));
  }
  return formulas;
}

std::string encodeExportText(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Windows1252: return encodeWindows1252(text);
    case TextEncoding::Utf8Bom: {
      std::string out = "\xEF\xBB\xBF";
      out.append(text);
      return out;
    }
    case TextEncoding::Utf8: break;
  }
  return std::string(text);
}

}  // namespace rowsmith
