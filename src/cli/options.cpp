#include "cli/options.h"

#include <algorithm>
#include <cctype>

#include "import/importrun.h"
#include "kernel/utf8text.h"

namespace rowsmith::cli {

namespace {

// The grid keeps at most five keys of Shift-clicks.
constexpr size_t kMaxSortKeysOnCommandLine = 5;

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// A header text, with or without its trailing " :", a column key or a 1-based index.
int findColumn(std::string_view item) {
  std::string_view trimmed = trimView(item);
  if (std::optional<int32_t> n = toInt32(trimmed)) return *n >= 1 && *n <= kResultColumns ? *n - 1 : -1;
  return findResultColumn(trimmed);
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
         "  -o, --output FILE       write to FILE instead of standard output; FILE is replaced\n"
         "                          whole at the end, a device, pipe or /dev/stdout written\n"
         "                          through; the input file and read-only files are refused\n"
         "  --format text|xlsx      delimited text (default) or a workbook (needs -o)\n"
         "  --language de|en        the header line in German (default) or English\n"
         "  --separator SEP         comma, semicolon (default), tab, or a text in #-notation (#124)\n"
         "  --enclose Q             none (default), single, double, or a text in #-notation\n"
         "  --line-break L          crlf (default), lf, or a text in #-notation\n"
         "  --columns LIST          comma-separated header texts or numbers 1-39 (default: all)\n"
         "  --no-rowcount           leave out the row-number column\n"
         "  --keep-formulas         write cells that begin like a formula (=, +A, -A, @A) as they\n"
         "                          are; by default they get a leading apostrophe, so that a\n"
         "                          spreadsheet shows them as text\n"
         "  --sort LIST             sort by up to five columns, the first deciding (as Shift-clicks\n"
         "                          on the headers, last to first, would sort the grid)\n"
         "  --descending            sort descending\n"
         "  --dates western|sortable  21.01.1687 (default) or 16870121\n"
         "  --encoding E            windows-1252 (default; other letters transliterated),\n"
         "                          utf-8, or utf-8-bom (UTF-8 with a byte-order mark)\n"
         "  -q, --quiet             no progress and no count on standard error\n"
         "  -h, --help              show this text\n"
         "  --version               show the version\n"
         "\n"
         "Exit status: 0 done, 1 a file could not be read or written, 2 a wrong option.\n";
}

namespace {

// One option being read: its name as written and its value, from "--name=v"
// or the next argument.
struct OptionReader {
  const std::vector<std::string>& args;
  size_t& i;
  ConvertOptions& options;
  std::string& error;
  std::string name;
  std::string value;
  bool hasValue = false;

  bool needValue() {
    if (hasValue) return true;
    if (i + 1 >= args.size()) return fail("option " + name + " needs a value");
    value = args[++i];
    return true;
  }
  bool noValue() { return !hasValue || fail("option " + name + " takes no value"); }
  bool fail(std::string text) {
    error = std::move(text);
    return false;
  }
  // A #-notation is checked where it is given, so a bad one is a usage error
  // that names its option, found before any file is touched.
  bool checkNotation() {
    ExportFormat format;
    std::string decodeError;
    return decodeExportFormat(options.format, format, decodeError) || fail(name + ": " + decodeError);
  }
};

bool readSeparator(OptionReader& r) {
  if (!r.needValue()) return false;
  ExportOptions& f = r.options.format;
  const std::string v = lower(r.value);
  if (v == "comma") f.separator = SeparatorChoice::Ascii;
  else if (v == "semicolon") f.separator = SeparatorChoice::Csv;
  else if (v == "tab") f.separator = SeparatorChoice::Tab;
  else {
    f.separator = SeparatorChoice::Free;
    f.separatorFree = r.value;
  }
  return r.checkNotation();
}

bool readEnclose(OptionReader& r) {
  if (!r.needValue()) return false;
  ExportOptions& f = r.options.format;
  const std::string v = lower(r.value);
  if (v == "none") f.enclose = EncloseChoice::None;
  else if (v == "single") f.enclose = EncloseChoice::Single;
  else if (v == "double") f.enclose = EncloseChoice::Double;
  else {
    f.enclose = EncloseChoice::Other;
    f.encloseOther = r.value;
  }
  return r.checkNotation();
}

bool readLineBreak(OptionReader& r) {
  if (!r.needValue()) return false;
  ExportOptions& f = r.options.format;
  const std::string v = lower(r.value);
  if (v == "crlf") f.lineBreak = LineBreakChoice::CrLf;
  else if (v == "lf") f.lineBreak = LineBreakChoice::Lf;
  else {
    f.lineBreak = LineBreakChoice::Free;
    f.lineBreakFree = r.value;
  }
  return r.checkNotation();
}

bool readOutput(OptionReader& r) {
  if (!r.needValue()) return false;
  if (r.value.empty()) return r.fail("option " + r.name + " needs a file name");
  r.options.output = r.value;
  return true;
}

bool readSort(OptionReader& r) {
  if (!r.needValue() || !parseColumns(r.value, r.options.sortKeys, r.error)) return false;
  return r.options.sortKeys.size() <= kMaxSortKeysOnCommandLine || r.fail("--sort takes at most five columns");
}

bool readDates(OptionReader& r) {
  if (!r.needValue()) return false;
  const std::string v = lower(r.value);
  if (v != "western" && v != "sortable") return r.fail("--dates must be western or sortable, not \"" + r.value + "\"");
  r.options.westernDates = v == "western";
  return true;
}

bool readEncoding(OptionReader& r) {
  if (!r.needValue()) return false;
  const std::string v = lower(r.value);
  if (v == "windows-1252" || v == "cp1252") r.options.format.encoding = TextEncoding::Windows1252;
  else if (v == "utf-8" || v == "utf8") r.options.format.encoding = TextEncoding::Utf8;
  else if (v == "utf-8-bom" || v == "utf8-bom") r.options.format.encoding = TextEncoding::Utf8Bom;
  else return r.fail("--encoding must be windows-1252, utf-8 or utf-8-bom, not \"" + r.value + "\"");
  return true;
}

bool readLanguage(OptionReader& r) {
  if (!r.needValue()) return false;
  const std::string v = lower(r.value);
  if (v != "de" && v != "en") return r.fail("--language must be de or en, not \"" + r.value + "\"");
  r.options.english = v == "en";
  return true;
}

bool readFormat(OptionReader& r) {
  if (!r.needValue()) return false;
  const std::string v = lower(r.value);
  if (v != "text" && v != "xlsx") return r.fail("--format must be text or xlsx, not \"" + r.value + "\"");
  r.options.xlsx = v == "xlsx";
  return true;
}

template <bool ConvertOptions::*Flag, bool Value>
bool readFlag(OptionReader& r) {
  if (!r.noValue()) return false;
  r.options.*Flag = Value;
  return true;
}

bool readKeepFormulas(OptionReader& r) {
  if (!r.noValue()) return false;
  r.options.format.keepFormulas = true;
  return true;
}

bool readColumns(OptionReader& r) { return r.needValue() && parseColumns(r.value, r.options.columns, r.error); }

struct OptionEntry {
  const char* name;
  const char* shortName;
  bool (*read)(OptionReader&);
};

constexpr OptionEntry kOptions[] = {
    {"--help", "-h", readFlag<&ConvertOptions::help, true>},
    {"--version", nullptr, readFlag<&ConvertOptions::version, true>},
    {"--quiet", "-q", readFlag<&ConvertOptions::quiet, true>},
    {"--no-rowcount", nullptr, readFlag<&ConvertOptions::rowNumbers, false>},
    {"--descending", nullptr, readFlag<&ConvertOptions::descending, true>},
    {"--keep-formulas", nullptr, readKeepFormulas},
    {"--output", "-o", readOutput},
    {"--separator", nullptr, readSeparator},
    {"--enclose", nullptr, readEnclose},
    {"--line-break", nullptr, readLineBreak},
    {"--columns", nullptr, readColumns},
    {"--sort", nullptr, readSort},
    {"--dates", nullptr, readDates},
    {"--encoding", nullptr, readEncoding},
    {"--format", nullptr, readFormat},
    {"--language", nullptr, readLanguage},
};

bool readOption(OptionReader& r) {
  const std::string& arg = r.args[r.i];
  r.name = arg;
  if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
    r.name = arg.substr(0, eq);
    r.value = arg.substr(eq + 1);
    r.hasValue = true;
  }
  for (const OptionEntry& option : kOptions) {
    if (r.name == option.name || (option.shortName && r.name == option.shortName)) return option.read(r);
  }
  return r.fail("unknown option " + r.name);
}

}  // namespace

bool parseConvertOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error) {
  options = ConvertOptions{};
  options.columns.resize(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) options.columns[static_cast<size_t>(c)] = c;
  bool onlyFiles = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!options.input.empty()) {
        error = "only one input file is allowed (got \"" + options.input + "\" and \"" + arg + "\")";
        return false;
      }
      options.input = arg;
    } else if (arg == "--") {
      onlyFiles = true;
    } else {
      OptionReader reader{args, i, options, error, {}, {}, false};
      if (!readOption(reader)) return false;
    }
  }
  if (options.descending && options.sortKeys.empty()) {
    error = "--descending needs --sort";
    return false;
  }
  // A zip archive on a terminal or in a pipe is of no use to anyone.
  if (options.xlsx && options.output.empty() && !options.help && !options.version) {
    error = "--format xlsx needs -o FILE";
    return false;
  }
  if (options.input.empty() && !options.help && !options.version) {
    error = "no input file given";
    return false;
  }
  return true;
}

}  // namespace rowsmith::cli
