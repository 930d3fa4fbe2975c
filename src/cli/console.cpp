#include "cli/console.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "os/osfile.h"

namespace fs = std::filesystem;

namespace rowsmith::cli {

namespace {

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

}  // namespace

void printError(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); }

ConsoleMessages::ConsoleMessages(bool quiet, const std::string& input)
    : prefix_(std::string(kProgram) + ": " + input + ": "), terminal_(!quiet && os::isTerminal(2)), start_(std::chrono::steady_clock::now()) {
  if (!terminal_) return;
  std::error_code ec;
  input_ = fs::canonical(input, ec).string();
  inputSize_ = fs::file_size(input, ec);
  if (ec) inputSize_ = 0;
  ticker_ = std::thread([this] { tick(); });
}

ConsoleMessages::~ConsoleMessages() {
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

void ConsoleMessages::showMessage(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  coreSpoke_ = true;
  printLocked(prefix_ + std::string(text));
}

void ConsoleMessages::showNews(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  printLocked(std::string(text));
}

void ConsoleMessages::printLocked(const std::string& line) {
  clearLocked();
  std::fprintf(stderr, "%s\n", line.c_str());
}

void ConsoleMessages::showProgress(ImportPhase phase, int percent) {
  if (!terminal_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = phaseName(phase);
  percent_ = percent;
  reading_ = phase == ImportPhase::Reading && percent < 100;
  renderLocked();
}

void ConsoleMessages::clearProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  clearLocked();
}

void ConsoleMessages::tick() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, std::chrono::milliseconds(250));
    if (stop_ || phase_.empty()) continue;
    if (reading_) percent_ = inputPercent(input_, inputSize_);
    renderLocked();
  }
}

void ConsoleMessages::renderLocked() {
  if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
  std::string line = "\r" + phase_ + " " + std::to_string(percent_) + "%";
  size_t width = line.size();
  if (line.size() < lastWidth_) line.append(lastWidth_ - line.size(), ' ');
  lastWidth_ = width;
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleMessages::clearLocked() {
  if (lastWidth_ == 0) return;
  std::string blank = "\r" + std::string(lastWidth_, ' ') + "\r";
  std::fputs(blank.c_str(), stderr);
  std::fflush(stderr);
  lastWidth_ = 0;
}

}  // namespace rowsmith::cli
