#pragma once
// Command line of rowsmith-convert.
#include <string>
#include <vector>

#include "export/exporttext.h"

namespace rowsmith::cli {

struct ConvertOptions {
  std::string input;
  std::string output;            // empty: standard output
  ExportOptions format;
  std::vector<int> columns;      // result columns (0-based) in output order
  std::vector<int> sortKeys;     // result columns to sort by, the deciding one first
  bool descending = false;
  bool rowNumbers = true;
  bool westernDates = true;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool xlsx = false;             // a workbook instead of delimited text
  bool english = false;          // the header line from the English language file
};

// Parses the arguments after the program name. On a bad option returns false
// with a one-line error.
bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error);

const char* usageText();

}  // namespace rowsmith::cli
