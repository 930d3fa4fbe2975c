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
#include "export/exporttext.h"
#include "import/importrun.h"
#include "kernel/folders.h"
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
  ConsoleMessages(bool quiet, const std::string& input)
      : quiet_(quiet), terminal_(!quiet && isatty(STDERR_FILENO)),
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
    if (quiet_ && text.find("Personen importiert!") != std::string_view::npos) return;
    std::lock_guard<std::mutex> lock(mutex_);
    clearLocked();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }

  void showProgress(std::string_view phase, int percent) override {
    if (!terminal_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    phase_ = phase;
    percent_ = percent;
    reading_ = phase == "Lesen" && percent < 100;
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

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Written beside the target and renamed over it: a failure never leaves a
// partial file or destroys the old one. The temporary file is made before
// the conversion, so an unwritable target is reported before any work.
class AtomicOutput {
 public:
  bool open(const std::string& target, std::string& error) {
    target_ = target;
    fs::path path(target);
    std::string dir = path.has_parent_path() ? path.parent_path().string() : ".";
    temp_ = (fs::path(dir) / ("." + path.filename().string() + ".XXXXXX")).string();
    fd_ = mkstemp(temp_.data());
    if (fd_ < 0) {
      error = "cannot write " + target + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }

  bool commit(std::string_view bytes, std::string& error) {
    bool ok = writeAll(fd_, bytes) && ::fsync(fd_) == 0;
    int savedErrno = errno;
    if (::close(fd_) != 0 && ok) {
      ok = false;
      savedErrno = errno;
    }
    fd_ = -1;
    if (ok) {
      // The usual permissions of a new file, or the old file's, not mkstemp's 0600.
      mode_t mask = umask(0);
      umask(mask);
      struct stat st {};
      mode_t mode = ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask);
      ::chmod(temp_.c_str(), mode);
      if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
      }
    }
    if (!ok) {
      ::unlink(temp_.c_str());
      error = "cannot write " + target_ + ": " + std::strerror(savedErrno);
    }
    temp_.clear();
    return ok;
  }

  ~AtomicOutput() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
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

int run(const cli::ConvertOptions& options) {
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

  AtomicOutput output;
  if (!options.output.empty() && !output.open(options.output, error)) {
    printError(error);
    return 1;
  }

  ConsoleMessages messages(options.quiet, options.input);
  UserMessages* previous = setUserMessages(&messages);
  struct Restore {
    UserMessages* previous;
    ~Restore() { setUserMessages(previous); }
  } restore{previous};

  StringTable table;
  int32_t counter;
  {
    PrivateWorkFolder folder;
    counter = ImportGedcom(options.input, options.westernDates, table);
  }
  if (counter <= 0) {
    messages.clearProgress();
    if (counter == 0) printError("cannot read " + options.input);
    else if (counter == -1) printError(options.input + " is not a GEDCOM file: its first line holds no \"0 HEAD\"");
    else printError("reading " + options.input + " failed after line " + std::to_string(-counter));
    return 1;
  }
  if (table.rowCount() <= 1) {
    messages.clearProgress();
    printError("no individuals in " + options.input + "; only the header line is written");
  }

  if (!options.sortKeys.empty())
    SortGridRows(table, 1, table.rowCount() - 1, options.descending, options.sortKeys, ResultDateHeaders());
  messages.showProgress("Export", 0);
  std::string text = buildExportTextFromResult(table, options.columns, options.rowNumbers, format);
  const size_t splitting = countResultCellsThatSplit(table, options.columns, format);
  table = StringTable();
  text = encodeExportText(text, options.format.encoding);
  messages.showProgress("Export", 100);
  messages.clearProgress();
  if (splitting > 0)
    printError(std::to_string(splitting) + " cells contain the separator or a line break; use --enclose double");

  if (!options.output.empty()) {
    if (!output.commit(text, error)) {
      printError(error);
      return 1;
    }
    return 0;
  }
  if (!writeAll(STDOUT_FILENO, text)) {
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
    return run(options);
  } catch (const std::bad_alloc&) {
    printError("out of memory");
  } catch (const std::exception& e) {
    printError(e.what());
  }
  return 1;
}
