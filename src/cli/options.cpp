#include "cli/options.h"

#include <algorithm>
#include <cctype>

#include "import/importrun.h"
#include "kernel/ansitext.h"

namespace rowsmith::cli {

namespace {

// The grid keeps at most five keys of Shift-clicks.
constexpr size_t kMaxSortKeysOnCommandLine = 5;

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// A header text, with or without its trailing " :", or a 1-based index.
int findColumn(std::string_view item) {
  std::string_view trimmed = trimView(item);
  if (std::optional<int32_t> n = toInt32(trimmed)) return *n >= 1 && *n <= kResultColumns ? *n - 1 : -1;
  const std::string wanted = lower(trimmed);
  const char* const* headers = ResultHeaders();
  for (int c = 0; c < kResultColumns; ++c) {
    std::string header = lower(headers[c]);
    std::string bare = header.substr(0, header.size() - 2);  // without " :"
    if (wanted == header || wanted == bare) return c;
  }
  return -1;
}

bool parseColumns(std::string_view list, std::vector<int>& columns, std::string& error) {
  columns.clear();
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view item = list.substr(start, end - start);
    int column = findColumn(item);
    if (column < 0) {
      error = "unknown column \"" + std::string(item) + "\" (use a header text or a number from 1 to 39)";
      return false;
    }
    columns.push_back(column);
    start = end + 1;
  }
  return true;
}

}  // namespace

const char* usageText() {
  return "Usage: rowsmith-convert [options] FILE.ged\n"
         "Converts a GEDCOM file into the delimited table of couples and single persons.\n"
         "\n"
         "  -o, --output FILE       write to FILE instead of standard output\n"
         "  --separator SEP         comma, semicolon (default), tab, or a text in #-notation (#124)\n"
         "  --enclose Q             none (default), single, double, or a text in #-notation\n"
         "  --line-break L          crlf (default), lf, or a text in #-notation\n"
         "  --columns LIST          comma-separated header texts or numbers 1-39 (default: all)\n"
         "  --no-rowcount           leave out the row-number column\n"
         "  --sort LIST             sort by up to five columns, the first deciding (as Shift-clicks\n"
         "                          on the headers, last to first, would sort the grid)\n"
         "  --descending            sort descending\n"
         "  --dates western|sortable  21.01.1687 (default) or 16870121\n"
         "  --encoding E            windows-1252 (default; other letters transliterated),\n"
         "                          utf-8, or utf-8-bom (UTF-8 with a byte-order mark)\n"
         "  -q, --quiet             no progress and no count on standard error\n"
         "  -h, --help              show this text\n"
         "  --version               show the version\n";
}

bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error) {
  options = ConvertOptions{};
  options.columns.resize(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) options.columns[static_cast<size_t>(c)] = c;
  bool onlyFiles = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!options.input.empty()) {
        error = "only one input file is allowed (got \"" + options.input + "\" and \"" + arg + "\")";
        return false;
      }
      options.input = arg;
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    std::string name = arg, value;
    bool hasValue = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    auto needValue = [&]() -> bool {
      if (hasValue) return true;
      if (i + 1 >= args.size()) {
        error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto noValue = [&]() -> bool {
      if (hasValue) error = "option " + name + " takes no value";
      return !hasValue;
    };
    if (name == "-h" || name == "--help") {
      if (!noValue()) return false;
      options.help = true;
    } else if (name == "--version") {
      if (!noValue()) return false;
      options.version = true;
    } else if (name == "-q" || name == "--quiet") {
      if (!noValue()) return false;
      options.quiet = true;
    } else if (name == "--no-rowcount") {
      if (!noValue()) return false;
      options.rowNumbers = false;
    } else if (name == "-o" || name == "--output") {
      if (!needValue()) return false;
      if (value.empty()) {
        error = "option " + name + " needs a file name";
        return false;
      }
      options.output = value;
    } else if (name == "--separator") {
      if (!needValue()) return false;
      std::string v = lower(value);
      if (v == "comma") options.format.separator = SeparatorChoice::Ascii;
      else if (v == "semicolon") options.format.separator = SeparatorChoice::Csv;
      else if (v == "tab") options.format.separator = SeparatorChoice::Tab;
      else {
        options.format.separator = SeparatorChoice::Free;
        options.format.separatorFree = value;
      }
    } else if (name == "--enclose") {
      if (!needValue()) return false;
      std::string v = lower(value);
      if (v == "none") options.format.enclose = EncloseChoice::None;
      else if (v == "single") options.format.enclose = EncloseChoice::Single;
      else if (v == "double") options.format.enclose = EncloseChoice::Double;
      else {
        options.format.enclose = EncloseChoice::Other;
        options.format.encloseOther = value;
      }
    } else if (name == "--line-break") {
      if (!needValue()) return false;
      std::string v = lower(value);
      if (v == "crlf") options.format.lineBreak = LineBreakChoice::CrLf;
      else if (v == "lf") options.format.lineBreak = LineBreakChoice::Lf;
      else {
        options.format.lineBreak = LineBreakChoice::Free;
        options.format.lineBreakFree = value;
      }
    } else if (name == "--columns") {
      if (!needValue()) return false;
      if (!parseColumns(value, options.columns, error)) return false;
    } else if (name == "--sort") {
      if (!needValue()) return false;
      if (!parseColumns(value, options.sortKeys, error)) return false;
      if (options.sortKeys.size() > kMaxSortKeysOnCommandLine) {
        error = "--sort takes at most five columns";
        return false;
      }
    } else if (name == "--descending") {
      if (!noValue()) return false;
      options.descending = true;
    } else if (name == "--dates") {
      if (!needValue()) return false;
      std::string v = lower(value);
      if (v == "western") options.westernDates = true;
      else if (v == "sortable") options.westernDates = false;
      else {
        error = "--dates must be western or sortable, not \"" + value + "\"";
        return false;
      }
    } else if (name == "--encoding") {
      if (!needValue()) return false;
      std::string v = lower(value);
      if (v == "windows-1252" || v == "cp1252") options.format.encoding = TextEncoding::Windows1252;
      else if (v == "utf-8" || v == "utf8") options.format.encoding = TextEncoding::Utf8;
      else if (v == "utf-8-bom" || v == "utf8-bom") options.format.encoding = TextEncoding::Utf8Bom;
      else {
        error = "--encoding must be windows-1252, utf-8 or utf-8-bom, not \"" + value + "\"";
        return false;
      }
    } else {
      error = "unknown option " + name;
      return false;
    }
  }
  if (options.descending && options.sortKeys.empty()) {
    error = "--descending needs --sort";
    return false;
  }
  if (options.input.empty() && !options.help && !options.version) {
    error = "no input file given";
    return false;
  }
  return true;
}

}  // namespace rowsmith::cli
