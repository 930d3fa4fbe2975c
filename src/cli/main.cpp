// rowsmith-convert: a GEDCOM file in, the delimited table out, no window.
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/utf8out.h"
#include "export/exporttext.h"
#include "import/importrun.h"
#include "kernel/atomicfile.h"
#include "os/osfile.h"
#include "kernel/sortengine.h"
#include "kernel/usermessages.h"

using namespace rowsmith;

namespace {

constexpr const char* kProgram = "rowsmith-convert";

void printError(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); }

// Messages of the core go to standard error; progress only on a terminal and
// only once a run has taken longer than a second.
class ConsoleMessages : public UserMessages {
 public:
  ConsoleMessages(bool quiet, bool utf8)
      : quiet_(quiet), utf8_(utf8), terminal_(!quiet && isatty(STDERR_FILENO)),
        start_(std::chrono::steady_clock::now()) {}

  ~ConsoleMessages() override {
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
  }

  void showMessage(std::string_view text) override {
    // The count of imported persons is news, not an error: --quiet drops it.
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
    std::string out = utf8_ ? cli::windows1252ToUtf8(text) : std::string(text);
    std::fprintf(stderr, "%s\n", out.c_str());
  }

  void showProgress(ImportPhase phase, int percent) override {
    if (!terminal_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    phase_ = phaseName(phase);
    percent_ = percent;
    renderLocked();
  }

  void clearProgress() {
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
  }

 private:
  void renderLocked() {
    if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    std::string line = "\r" + phase_ + " " + std::to_string(percent_) + "%";
    size_t width = line.size();
    if (line.size() < lastWidth_) line.append(lastWidth_ - line.size(), ' ');
    lastWidth_ = width;
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  }

  void clearLocked() {
    if (lastWidth_ == 0) return;
    std::string blank = "\r" + std::string(lastWidth_, ' ') + "\r";
    std::fputs(blank.c_str(), stderr);
    std::fflush(stderr);
    lastWidth_ = 0;
  }

  bool quiet_;
  bool utf8_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;
  std::string phase_;
  int percent_ = 0;
  size_t lastWidth_ = 0;
};

int convertFile(const cli::ConvertOptions& options) {
  ExportFormat format;
  std::string error;
  if (!decodeExportFormat(options.format, format, error)) {
    printError(error);
    return 2;
  }

  AtomicFile output;
  if (!options.output.empty() && !output.open(options.output, &error)) {
    printError("cannot write " + options.output + ": " + error);
    return 1;
  }

  ConsoleMessages messages(options.quiet, options.utf8);
  UserMessages* previous = setUserMessages(&messages);
  struct Restore {
    UserMessages* previous;
    ~Restore() { setUserMessages(previous); }
  } restore{previous};

  StringTable table;
  ImportOutcome outcome;
  outcome = importGedcom(options.input, options.westernDates, table, messages);
  switch (outcome.status) {
    case ImportStatus::Imported:
      if (!options.quiet) messages.showMessage(importedMessage(outcome.persons));
      break;
    case ImportStatus::NoPersons:
      messages.clearProgress();
      printError("no individuals in " + options.input + "; only the header line is written");
      break;
    case ImportStatus::CannotOpen:
      messages.clearProgress();
      printError("cannot read " + options.input + ": " + outcome.cause);
      return 1;
    case ImportStatus::NotGedcom:
      messages.clearProgress();
      printError(options.input + " is not a GEDCOM file: its first line holds no \"0 HEAD\"");
      return 1;
    case ImportStatus::ReadFailed:
      messages.clearProgress();
      printError(options.input + ": " + outcome.cause);
      return 1;
  }

  if (!options.sortKeys.empty())
    SortGridRows(table, 1, table.rowCount() - 1, options.descending, options.sortKeys);
  messages.showProgress(ImportPhase::Export, 0);
  std::string text = buildExportTextFromResult(table, options.columns, options.rowNumbers, format);
  table = StringTable();
  if (options.utf8) text = cli::windows1252ToUtf8(text);
  messages.showProgress(ImportPhase::Export, 100);
  messages.clearProgress();

  if (!options.output.empty()) {
    output.write(text);
    if (!output.commit(&error)) {
      printError("cannot write " + options.output + ": " + error);
      return 1;
    }
    return 0;
  }
  if (!os::File::standardOutput().writeAll(text)) {
    if (errno != EPIPE) printError(std::string("cannot write to standard output: ") + std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit then fails the write, which removes its temporary file
  // and says so, instead of ending the process half-way through it.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  cli::ConvertOptions options;
  std::string error;
  if (!cli::parseConvertOptions(args, options, error)) {
    printError(error);
    std::fprintf(stderr, "Try '%s --help'.\n", kProgram);
    return 2;
  }
  if (options.help) {
    std::fputs(cli::usageText(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s %s\n", kProgram, ROWSMITH_VERSION);
    return 0;
  }
  try {
    return convertFile(options);
  } catch (const std::bad_alloc&) {
    printError("out of memory");
  } catch (const std::exception& e) {
    printError(e.what());
  }
  return 1;
}
