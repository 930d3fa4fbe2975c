#include "export/xlsxexport.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <random>
#include <string_view>

#include "import/importrun.h"
#include "import/rows.h"
#include "kernel/utf8text.h"
#include "os/osfile.h"

namespace rowsmith {

namespace {

enum class CellKind { RowNumber, Id, Date, Text };

// What a spreadsheet cell holds at most, in characters.
constexpr size_t kMaxCellChars = 32767;
// Wider columns would push the rest of the table off the screen.
constexpr size_t kMaxColumnChars = 60;
// The header's filter button covers the end of a bold header text.
constexpr size_t kFilterButtonChars = 3;
// Date cells before this year cannot be shown by the common spreadsheet
// programs (their day count starts in 1900); such dates stay text. So do
// those before 1 March 1900: the day count holds a 29 February 1900 that
// never was, and programs that leave it out show those days one day early.
constexpr int kFirstDateCellYear = 1900;
constexpr int kFirstDateCellMonthOfFirstYear = 3;

CellKind kindOfColumn(int column) {
  if (column < 0 || column >= kResultColumns) return CellKind::Text;
  switch (resultColumns()[static_cast<size_t>(column)].kind) {
    case ColumnKind::Id: return CellKind::Id;
    case ColumnKind::Date: return CellKind::Date;
    case ColumnKind::Text:
    case ColumnKind::Sex: break;
  }
  return CellKind::Text;
}

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

bool validDay(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// A complete calendar date in one of the table's forms: "D.M.YYYY" or
// "DD.MM.YYYY" (western), "YYYYMMDD" (sortable) or "YYYY-MM-DD". Anything
// else, qualified or partial dates included, is no date cell.
std::optional<lxw_datetime> fullDate(std::string_view text) {
  int year = 0, month = 0, day = 0;
  if (text.size() == 8 && allDigits(text)) {
    year = number(text.substr(0, 4));
    month = number(text.substr(4, 2));
    day = number(text.substr(6, 2));
  } else if (text.size() == 10 && text[4] == '-' && text[7] == '-' && allDigits(text.substr(0, 4)) &&
             allDigits(text.substr(5, 2)) && allDigits(text.substr(8, 2))) {
    year = number(text.substr(0, 4));
    month = number(text.substr(5, 2));
    day = number(text.substr(8, 2));
  } else {
    size_t first = text.find('.');
    size_t second = first == std::string_view::npos ? first : text.find('.', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    std::string_view d = text.substr(0, first);
    std::string_view m = text.substr(first + 1, second - first - 1);
    std::string_view y = text.substr(second + 1);
    if (d.size() > 2 || m.size() > 2 || y.size() != 4 || !allDigits(d) || !allDigits(m) || !allDigits(y))
      return std::nullopt;
    year = number(y);
    month = number(m);
    day = number(d);
  }
  if (year < kFirstDateCellYear || (year == kFirstDateCellYear && month < kFirstDateCellMonthOfFirstYear) ||
      !validDay(year, month, day))
    return std::nullopt;
  return lxw_datetime{year, month, day, 0, 0, 0.0};
}

// Width in characters: the longest line, one byte being one character.
size_t displayWidth(std::string_view text) {
  size_t widest = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    size_t line = end - start;
    if (line > 0 && text[end - 1] == '\r') --line;
    widest = std::max(widest, line);
    start = end + 1;
  }
  return widest;
}

// Whether text[i..] reads "_xHHHH_", which a spreadsheet takes for the
// character HHHH.
bool startsCharacterEscape(std::string_view text, size_t i) {
  if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return false;
  for (size_t k = i + 2; k < i + 6; ++k)
    if (!std::isxdigit(static_cast<unsigned char>(text[k]))) return false;
  return true;
}

// Cell line breaks as the single LF that spreadsheets use, cut to the
// characters a cell holds (never inside a character). U+FFFE and U+FFFF,
// which XML forbids, become U+FFFD (counted in replaced), and a text that
// reads like an escaped character ("_x000D_") is escaped itself, so that it
// shows as written.
std::string cellText(std::string_view text, bool& cut, int32_t& replaced) {
  std::string plain;
  plain.reserve(text.size());
  size_t characters = 0;
  cut = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && ++characters > kMaxCellChars) {
      cut = true;
      break;
    }
    if (text[i] == '\xEF' && i + 2 < text.size() && text[i + 1] == '\xBF' &&
        (text[i + 2] == '\xBE' || text[i + 2] == '\xBF')) {
      plain += "\xEF\xBF\xBD";
      ++replaced;
      i += 2;
      continue;
    }
    if (text[i] == '_' && startsCharacterEscape(text, i)) plain += "_x005F";
    plain += text[i];
  }
  return plain;
}

// Widths fitted to the content, the header row frozen and filtered.
lxw_error layOutColumns(lxw_worksheet* sheet, const std::vector<CellKind>& kinds, const std::vector<size_t>& widths,
                        int rows) {
  lxw_error error = LXW_NO_ERROR;
  for (size_t i = 0; i < kinds.size() && error == LXW_NO_ERROR; ++i) {
    size_t chars = kinds[i] == CellKind::Date ? std::max<size_t>(widths[i], 10) : widths[i];
    double width = static_cast<double>(std::min(chars, kMaxColumnChars) + 2);
    error = worksheet_set_column(sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i), width, nullptr);
  }
  if (kinds.empty() || error != LXW_NO_ERROR) return error;
  worksheet_freeze_panes(sheet, 1, 0);
  const lxw_row_t last = static_cast<lxw_row_t>(std::max(rows, 1) - 1);
  return worksheet_autofilter(sheet, 0, 0, last, static_cast<lxw_col_t>(kinds.size() - 1));
}

// One cell: an ID as a number, a full date as a date cell, all else as text
// (header cells are given as text, with the bold format).
lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, std::string_view text, CellKind kind,
                    lxw_format* format, lxw_format* dateFormat, XlsxOutcome& counts) {
  if (row > 0 && text.empty()) return LXW_NO_ERROR;
  if (kind == CellKind::Id) {
    if (std::optional<int32_t> id = toInt32(text)) return worksheet_write_number(sheet, row, col, *id, nullptr);
  }
  if (kind == CellKind::Date) {
    if (std::optional<lxw_datetime> date = fullDate(text)) return worksheet_write_datetime(sheet, row, col, &*date, dateFormat);
  }
  bool cut = false;
  const std::string utf8 = cellText(text, cut, counts.replacedChars);
  if (cut) ++counts.cutCells;
  return worksheet_write_string(sheet, row, col, utf8.c_str(), format);
}


// The sheet's columns: source[i] is the table column of sheet column i (-1
// the row numbers) and kinds[i] what its cells become.
XlsxOutcome writeWorkbook(const std::string& path, const StringTable& result, const DateCells& dates,
                          const std::vector<int>& source, const std::vector<CellKind>& kinds) {
  XlsxOutcome outcome;
  if (static_cast<uint64_t>(result.rowCount()) > LXW_ROW_MAX) {
    outcome.cause = "the table has " + std::to_string(result.rowCount()) + " rows; a worksheet holds at most " +
                    std::to_string(LXW_ROW_MAX);
    return outcome;
  }
  std::vector<size_t> widths;
  for (int c : source) widths.push_back(c < 0 ? std::to_string(result.rowCount()).size() : 0);
  // Each cell as shown: date cells in the chosen form.
  std::vector<bool> dated;
  for (int c : source) dated.push_back(dates.holdsDates(c));
  std::string scratch;
  auto shown = [&](size_t i, int r) {
    const std::string_view cell = result.cell(source[i], r);
    return dated[i] && r > 0 ? shownDate(cell, dates.form, scratch) : cell;
  };
  for (int r = 0; r < result.rowCount(); ++r)
    for (size_t i = 0; i < source.size(); ++i)
      if (source[i] >= 0)
        widths[i] = std::max(widths[i], displayWidth(shown(i, r)) + (r == 0 ? kFilterButtonChars : 0));

  // Rows go out one by one, so a large table needs little memory.
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  if (!book) {
    outcome.cause = "cannot start a workbook in " + path;
    return outcome;
  }
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* dateFormat = workbook_add_format(book);
  format_set_num_format(dateFormat, "dd.mm.yyyy");

  lxw_error error = LXW_NO_ERROR;
  auto keep = [&](lxw_error e) {
    if (error == LXW_NO_ERROR) error = e;
  };
  keep(layOutColumns(sheet, kinds, widths, result.rowCount()));

  for (int r = 0; r < result.rowCount() && error == LXW_NO_ERROR; ++r) {
    const lxw_row_t row = static_cast<lxw_row_t>(r);
    for (size_t i = 0; i < source.size(); ++i) {
      const lxw_col_t col = static_cast<lxw_col_t>(i);
      if (source[i] < 0) {
        if (r > 0) keep(worksheet_write_number(sheet, row, col, r, nullptr));
        else keep(worksheet_write_blank(sheet, row, col, bold));
        continue;
      }
      keep(writeCell(sheet, row, col, shown(i, r), r == 0 ? CellKind::Text : kinds[i],
                     r == 0 ? bold : nullptr, dateFormat, outcome));
    }
  }
  lxw_error closed = workbook_close(book);
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR) {
    outcome.cause = std::string("cannot write the workbook: ") + lxw_strerror(error);
    return outcome;
  }

  outcome.ok = true;
  outcome.rows = result.rowCount();
  return outcome;
}

}  // namespace

XlsxOutcome writeXlsxWorkbook(const std::string& path, const StringTable& result, const DateCells& dates,
                              const std::vector<int>& columnOrder, bool rowNumbers) {
  std::vector<int> source;
  std::vector<CellKind> kinds;
  if (rowNumbers) {
    source.push_back(-1);
    kinds.push_back(CellKind::RowNumber);
  }
  for (int c : columnOrder) {
    if (c < 0 || c >= result.columnCount()) continue;
    source.push_back(c);
    kinds.push_back(kindOfColumn(c));
  }
  return writeWorkbook(path, result, dates, source, kinds);
}

XlsxOutcome writeXlsxWorkbookOfExportTable(const std::string& path, const StringTable& exportTable,
                                           const std::vector<bool>& exported, const std::vector<int>& resultColumns) {
  std::vector<int> source;
  std::vector<CellKind> kinds;
  for (int c = 0; c < exportTable.columnCount(); ++c) {
    if (static_cast<size_t>(c) >= exported.size() || !exported[static_cast<size_t>(c)]) continue;
    const int result = static_cast<size_t>(c) < resultColumns.size() ? resultColumns[static_cast<size_t>(c)] : -2;
    source.push_back(c == 0 ? -1 : c);
    kinds.push_back(c == 0 ? CellKind::RowNumber : result >= 0 ? kindOfColumn(result) : CellKind::Text);
  }
  return writeWorkbook(path, exportTable, {}, source, kinds);
}

XlsxOutcome buildXlsxWorkbook(const StringTable& result, const DateCells& dates, const std::vector<int>& columnOrder,
                              bool rowNumbers) {
  XlsxOutcome outcome;
  // A fresh name, claimed by creating the file, so two runs never write
  // into each other's workbook.
  const std::string folder = os::temporaryFolder();
  std::random_device random;
  std::string path;
  for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "/rowsmith-%08x%08x.xlsx", random(), random());
    os::InterruptsHeld held;
    if (os::File::createNew(folder + name, 0600, nullptr).isOpen()) {
      path = folder + name;
      os::removeOnInterrupt(path);
    }
  }
  if (path.empty()) {
    outcome.cause = "cannot create a temporary file in " + folder;
    return outcome;
  }
  outcome = writeXlsxWorkbook(path, result, dates, columnOrder, rowNumbers);
  if (outcome.ok) {
    os::Error error;
    os::File file = os::File::openForReading(path, &error);
    const uint64_t size = file.info().size;
    outcome.bytes.resize(size);
    if (!file.isOpen() || file.readFull(outcome.bytes.data(), size) != static_cast<std::ptrdiff_t>(size)) {
      outcome = XlsxOutcome{};
      outcome.cause = "cannot read back the workbook from " + path;
    }
  }
  os::InterruptsHeld held;
  os::removeFile(path);
  os::removeOnInterrupt("");
  return outcome;
}

}  // namespace rowsmith
