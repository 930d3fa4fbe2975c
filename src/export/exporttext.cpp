#include "export/exporttext.h"

#include <charconv>
#include <cstring>
#include <system_error>
#include <thread>

#include "kernel/hugepages.h"
#include "kernel/strutils.h"

namespace rowsmith {

namespace {

bool decodeFree(std::string_view text, std::string& out, std::string& error) {
  out = DecodeCharCodes(text);
  if (out.find("ERROR - ") != std::string::npos) {
    error = out;
    out.clear();
    return false;
  }
  return true;
}

size_t breaksIn(std::string_view cell) {
  size_t breaks = 0;
  for (char c : cell) breaks += (c == '\r') | (c == '\n');
  return breaks;
}

char* put(char* to, std::string_view text) {
  if (!text.empty()) std::memcpy(to, text.data(), text.size());
  return to + text.size();
}

// A cell with its line breaks spelled out: "<#13>", "<#10>".
char* putCell(char* to, std::string_view cell, size_t breaks) {
  if (breaks == 0) return put(to, cell);
  for (char c : cell) {
    if (c == '\r') to = put(to, "<#13>");
    else if (c == '\n') to = put(to, "<#10>");
    else *to++ = c;
  }
  return to;
}

constexpr size_t kSpelledBreakGrowth = 4;  // "<#13>" for one byte

// Builds the text over any table shape: cell(c, r, scratch) gives a cell
// (scratch: 16 bytes it may build the cell in), exported(c) whether column c
// is written. The exact size is counted first and the text written in place;
// large tables are counted and written in two halves on two threads.
template <typename CellFn>
std::string buildText(int rows, int columns, const std::vector<bool>& exported, const ExportFormat& format,
                      CellFn cell) {
  auto isExported = [&](int c) { return static_cast<size_t>(c) < exported.size() && exported[static_cast<size_t>(c)]; };
  auto sizeOf = [&](int from, int to) {
    char scratch[16];
    size_t size = 0;
    for (int r = from; r < to; ++r) {
      for (int c = 0; c < columns; ++c) {
        if (!isExported(c)) continue;
        std::string_view text = cell(c, r, scratch);
        size += 2 * format.enclose.size() + text.size() + kSpelledBreakGrowth * breaksIn(text);
        if (c != columns - 1) size += format.separator.size();
      }
      if (r != rows - 1) size += format.lineBreak.size();
    }
    return size;
  };
  auto write = [&](int from, int to, char* out) {
    char scratch[16];
    for (int r = from; r < to; ++r) {
      for (int c = 0; c < columns; ++c) {
        if (!isExported(c)) continue;
        std::string_view text = cell(c, r, scratch);
        out = put(out, format.enclose);
        out = putCell(out, text, breaksIn(text));
        out = put(out, format.enclose);
        if (c != columns - 1) out = put(out, format.separator);
      }
      if (r != rows - 1) out = put(out, format.lineBreak);
    }
  };
  auto allocate = [](std::string& out, size_t size) {
    out.reserve(size);
    adviseHugePages(out.data(), out.capacity());
    out.resize(size);
  };
  std::string out;
  constexpr int kRowsForTwoThreads = 4096;
  if (rows >= kRowsForTwoThreads && std::thread::hardware_concurrency() >= 2) {
    const int middle = rows / 2;
    size_t first = 0, second = 0;
    try {
      std::thread counter([&] { second = sizeOf(middle, rows); });
      first = sizeOf(0, middle);
      counter.join();
      allocate(out, first + second);
      std::thread writer([&] { write(middle, rows, out.data() + first); });
      write(0, middle, out.data());
      writer.join();
      return out;
    } catch (const std::system_error&) {
      // No second thread: one pass below.
    }
  }
  allocate(out, sizeOf(0, rows));
  write(0, rows, out.data());
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
      t.rowCount(), t.columnCount(), exported, format, [&](int c, int r, char*) { return t.cell(c, r); });
}

std::string buildExportTextFromResult(const StringTable& result, const std::vector<int>& columnOrder,
                                      bool rowNumbers, const ExportFormat& format) {
  std::vector<bool> exported(columnOrder.size() + 1, true);
  exported[0] = rowNumbers;
  auto cell = [&](int c, int r, char* number) -> std::string_view {
    if (c > 0) return result.cell(columnOrder[static_cast<size_t>(c) - 1], r);
    if (r == 0) return {};
    return std::string_view(number, static_cast<size_t>(std::to_chars(number, number + 16, r).ptr - number));
  };
  return buildText(result.rowCount(), static_cast<int>(columnOrder.size()) + 1, exported, format, cell);
}

}  // namespace rowsmith
