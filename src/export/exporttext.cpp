#include "export/exporttext.h"

#include <charconv>
#include <cstring>

#include "kernel/cp1252.h"
#include "kernel/strutils.h"
#include "kernel/textcodec.h"

namespace rowsmith {

namespace {

bool decodeFree(std::string_view text, std::string& out, std::string& error) {
  const std::string bytes = DecodeCharCodes(text);
  out.clear();
  if (bytes.find("ERROR - ") != std::string::npos) {
    error = bytes;
    return false;
  }
  // Byte 0 stays: a typed "#0" is meant.
  for (char c : bytes) appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(c)));
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

template <typename CellFn>
size_t countCellsThatSplit(int rows, int columns, const std::vector<bool>& exported, const ExportFormat& format,
                           CellFn cell) {
  if (!format.enclose.empty()) return 0;
  size_t count = 0;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (static_cast<size_t>(c) >= exported.size() || !exported[static_cast<size_t>(c)]) continue;
      // What the file holds: line breaks inside a cell are written as codes.
      std::string_view text = cell(c, r);
      std::string written;
      if (text.find_first_of("\r\n") != std::string_view::npos) {
        appendBreaksEscaped(written, text);
        text = written;
      }
      count += contains(text, format.separator) || contains(text, format.lineBreak);
    }
  }
  return count;
}

// Builds the text over any table shape: cell(c, r) gives a cell, exported(c)
// whether column c is written.
template <typename CellFn, typename SizeFn>
std::string buildText(int rows, int columns, const std::vector<bool>& exported, const ExportFormat& format,
                      CellFn cell, SizeFn cellSize) {
  auto isExported = [&](int c) { return static_cast<size_t>(c) < exported.size() && exported[static_cast<size_t>(c)]; };
  size_t exportedCount = 0;
  for (int c = 0; c < columns; ++c) exportedCount += isExported(c);
  // Reserve once: every cell with its enclosing and separator, every break.
  size_t size = static_cast<size_t>(rows) *
                    (exportedCount * (2 * format.enclose.size() + format.separator.size()) + format.lineBreak.size());
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (isExported(c)) size += cellSize(c, r);
    }
  }
  std::string out;
  out.reserve(size);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (!isExported(c)) continue;
      out += format.enclose;
      appendCell(out, cell(c, r), format.enclose);
      out += format.enclose;
      if (c != columns - 1) out += format.separator;
    }
    if (r != rows - 1) out += format.lineBreak;
  }
  return out;
}

}  // namespace

bool decodeExportFormat(const ExportOptions& options, ExportFormat& format, std::string& error) {
  format = ExportFormat{};
  error.clear();
  switch (options.separator) {
    case SeparatorChoice::Ascii: format.separator = ","; break;
    case SeparatorChoice::Csv: format.separator = ";"; break;
    case SeparatorChoice::Tab: format.separator = "\t"; break;
    case SeparatorChoice::Free:
      if (!decodeFree(options.separatorFree, format.separator, error)) return false;
      break;
    case SeparatorChoice::None: break;
  }
  switch (options.enclose) {
    case EncloseChoice::Single: format.enclose = "'"; break;
    case EncloseChoice::Double: format.enclose = "\""; break;
    case EncloseChoice::Other:
      if (!decodeFree(options.encloseOther, format.enclose, error)) return false;
      break;
    case EncloseChoice::None: break;
  }
  switch (options.lineBreak) {
    case LineBreakChoice::CrLf: format.lineBreak = "\r\n"; break;
    case LineBreakChoice::Lf: format.lineBreak = "\n"; break;
    case LineBreakChoice::Free:
      if (!decodeFree(options.lineBreakFree, format.lineBreak, error)) return false;
      break;
    case LineBreakChoice::None: break;
  }
  return true;
}

StringTable makeExportTable(const StringTable& result, const std::vector<int>& columnOrder) {
  StringTable table(static_cast<int>(columnOrder.size()) + 1);
  table.setRowCount(result.rowCount());
  for (int r = 0; r < result.rowCount(); ++r) {
    if (r > 0) table.setCell(0, r, std::to_string(r));
    for (size_t i = 0; i < columnOrder.size(); ++i) {
      std::string_view text = result.cell(columnOrder[i], r);
      if (!text.empty()) table.setCell(static_cast<int>(i) + 1, r, text);
    }
  }
  return table;
}

std::string BuildExportText(const StringTable& t, const std::vector<bool>& exported, const ExportFormat& format) {
  return buildText(
      t.rowCount(), t.columnCount(), exported, format, [&](int c, int r) { return t.cell(c, r); },
      [&](int c, int r) { return t.cell(c, r).size(); });
}

std::string buildExportTextFromResult(const StringTable& result, const std::vector<int>& columnOrder,
                                      bool rowNumbers, const ExportFormat& format) {
  std::vector<bool> exported(columnOrder.size() + 1, true);
  exported[0] = rowNumbers;
  char number[16];
  auto cell = [&](int c, int r) -> std::string_view {
    if (c > 0) return result.cell(columnOrder[static_cast<size_t>(c) - 1], r);
    if (r == 0) return {};
    return std::string_view(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, r).ptr - number));
  };
  auto size = [&](int c, int r) -> size_t {
    if (c > 0) return result.cell(columnOrder[static_cast<size_t>(c) - 1], r).size();
    return r == 0 ? 0 : 10;
  };
  return buildText(result.rowCount(), static_cast<int>(columnOrder.size()) + 1, exported, format, cell, size);
}

size_t CountCellsThatSplit(const StringTable& t, const std::vector<bool>& exported, const ExportFormat& format) {
  return countCellsThatSplit(t.rowCount(), t.columnCount(), exported, format,
                             [&](int c, int r) { return t.cell(c, r); });
}

size_t countResultCellsThatSplit(const StringTable& result, const std::vector<int>& columnOrder,
                                 const ExportFormat& format) {
  return countCellsThatSplit(result.rowCount(), static_cast<int>(columnOrder.size()),
                             std::vector<bool>(columnOrder.size(), true), format,
                             [&](int c, int r) { return result.cell(columnOrder[static_cast<size_t>(c)], r); });
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
