// rowsmith-convert: a GEDCOM file in, the delimited table out, no window.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/options.h"
#include "cli/utf8out.h"
#include "export/exporttext.h"
#include "import/importrun.h"
#include "kernel/atomicfile.h"
#include "kernel/folders.h"
#include "os/osfile.h"
#include "kernel/sortengine.h"
#include "kernel/usermessages.h"

namespace fs = std::filesystem;
using namespace rowsmith;

namespace {

constexpr const char* kProgram = "rowsmith-convert";

void printError(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); }

// How far the reading has got: the position of the descriptor on which the
// input file is open, as the kernel reports it. 0 when it cannot be told.
int inputPercent(const std::string& canonicalInput, uintmax_t size) {
  if (size == 0) return 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
    std::error_code linkError;
    if (fs::read_symlink(entry.path(), linkError).string() != canonicalInput) continue;
    std::FILE* info = std::fopen(("/proc/self/fdinfo/" + entry.path().filename().string()).c_str(), "r");
    if (!info) continue;
    unsigned long long pos = 0;
    bool found = std::fscanf(info, "pos: %llu", &pos) == 1;
    std::fclose(info);
    if (found) return static_cast<int>(std::min<uintmax_t>(100, pos * 100 / size));
  }
  return 0;
}

// Messages of the core go to standard error; progress only on a terminal and
// only once a run has taken longer than a second. A ticker keeps the line
// fresh while a phase reports nothing itself (the reading).
class ConsoleMessages : public UserMessages {
 public:
  ConsoleMessages(bool quiet, bool utf8, const std::string& input)
      : quiet_(quiet), utf8_(utf8), terminal_(!quiet && isatty(STDERR_FILENO)),
        start_(std::chrono::steady_clock::now()) {
    if (!terminal_) return;
    std::error_code ec;
    input_ = fs::canonical(input, ec).string();
    inputSize_ = fs::file_size(input, ec);
    if (ec) inputSize_ = 0;
    ticker_ = std::thread([this] { tick(); });
  }

  ~ConsoleMessages() override {
    if (ticker_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
      }
      wake_.notify_all();
      ticker_.join();
    }
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
    reading_ = phase == ImportPhase::Reading && percent < 100;
    renderLocked();
  }

  void clearProgress() {
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
  }

 private:
  void tick() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, std::chrono::milliseconds(250));
      if (stop_ || phase_.empty()) continue;
      if (reading_) percent_ = inputPercent(input_, inputSize_);
      renderLocked();
    }
  }

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
  std::string input_;
  uintmax_t inputSize_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread ticker_;
  bool stop_ = false;
  std::string phase_;
  int percent_ = 0;
  bool reading_ = false;
  size_t lastWidth_ = 0;
};

// A private work folder per run, so parallel runs never share index files.
class PrivateWorkFolder {
 public:
  PrivateWorkFolder() {
    std::string pattern = (fs::temp_directory_path() / "rowsmith-convert-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a work folder: " + std::string(std::strerror(errno)));
    path_ = pattern;
    setWorkFolder(path_ + "/");
  }
  ~PrivateWorkFolder() {
    setWorkFolder("");
    std::error_code ec;
    fs::remove_all(path_, ec);
  }

 private:
  std::string path_;
};

std::string checkReadable(const std::string& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "cannot read " + file + ": " + std::strerror(errno);
  struct stat st {};
  bool dir = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  ::close(fd);
  if (dir) return "cannot read " + file + ": it is a folder";
  return {};
}

int convertFile(const cli::ConvertOptions& options) {
  if (std::string error = checkReadable(options.input); !error.empty()) {
    printError(error);
    return 1;
  }
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

  ConsoleMessages messages(options.quiet, options.utf8, options.input);
  UserMessages* previous = setUserMessages(&messages);
  struct Restore {
    UserMessages* previous;
    ~Restore() { setUserMessages(previous); }
  } restore{previous};

  StringTable table;
  ImportOutcome outcome;
  {
    PrivateWorkFolder folder;
    outcome = importGedcom(options.input, options.westernDates, table, messages);
  }
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
      printError("cannot read " + options.input);
      return 1;
    case ImportStatus::NotGedcom:
      messages.clearProgress();
      printError(options.input + " is not a GEDCOM file: its first line holds no \"0 HEAD\"");
      return 1;
    case ImportStatus::Cancelled:  // the converter never asks to stop
    case ImportStatus::ReadFailed:
      messages.clearProgress();
      printError("reading " + options.input + " failed after line " + std::to_string(-outcome.counter));
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
