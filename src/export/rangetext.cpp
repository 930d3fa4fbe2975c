#include "export/rangetext.h"

namespace rowsmith {

namespace {

void appendCell(std::string& out, std::string_view cell) {
  if (cell.find_first_of("\t\r\n\"") == std::string_view::npos) {
    out += cell;
    return;
  }
  out += '"';
  for (size_t i = 0; i < cell.size(); ++i) {
    const char c = cell[i];
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r') {
      out += '\n';
      if (i + 1 < cell.size() && cell[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

std::string rangeText(const StringTable& table, const DateCells& dates, std::span<const int> rows,
                      std::span<const int> columns) {
  std::string out, scratch;
  for (int row : rows) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) out += '\t';
      appendCell(out, dates.shown(table, columns[c], row, scratch));
    }
    out += '\n';
  }
  return out;
}

}  // namespace rowsmith
