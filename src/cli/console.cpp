#include "cli/console.h"

#include <algorithm>
#include <cstdio>

#include "os/osfile.h"

namespace rowsmith::cli {

void printError(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); }

ConsoleMessages::ConsoleMessages(bool quiet, const std::string& input)
    : prefix_(std::string(kProgram) + ": " + input + ": "), terminal_(!quiet && os::isTerminal(2)),
      start_(std::chrono::steady_clock::now()) {}

ConsoleMessages::~ConsoleMessages() {
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
  renderLocked();
}

void ConsoleMessages::clearProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  clearLocked();
}

void ConsoleMessages::renderLocked() {
  if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
  std::string line = "\r";
  line += phase_;
  if (percent_ == kProgressUnknown) {
    line += " ...";
  } else {
    line += ' ';
    line += std::to_string(percent_);
    line += '%';
  }
  size_t width = line.size();
  if (line.size() < lastWidth_) line.append(lastWidth_ - line.size(), ' ');
  lastWidth_ = width;
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleMessages::clearLocked() {
  if (lastWidth_ == 0) return;
  std::string blank(lastWidth_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  std::fputs(blank.c_str(), stderr);
  std::fflush(stderr);
  lastWidth_ = 0;
}

}  // namespace rowsmith::cli
