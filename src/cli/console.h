#pragma once
// What the converter says on standard error: one-line errors that start with
// the program's name, the core's messages, and a progress line on a terminal.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "kernel/usermessages.h"

namespace rowsmith::cli {

inline constexpr const char* kProgram = "rowsmith-convert";

// "rowsmith-convert: text" on standard error.
void printError(const std::string& text);

// Messages of the core go to standard error; progress only on a terminal and
// only once a run has taken longer than a second.
class ConsoleMessages : public UserMessages {
 public:
  ConsoleMessages(bool quiet, const std::string& input);
  ~ConsoleMessages() override;

  // What the core says is about the input: "rowsmith-convert: FILE: text".
  void showMessage(std::string_view text) override;
  // News of our own, as it is (the count of persons).
  void showNews(std::string_view text);
  // Whether the core has said anything in this run, such as why reading
  // failed; saying it twice helps nobody.
  bool coreSpoke() const { return coreSpoke_; }
  void showProgress(ImportPhase phase, int percent) override;
  void clearProgress();

 private:
  void renderLocked();
  void clearLocked();

  void printLocked(const std::string& line);

  std::string prefix_;
  bool terminal_;
  bool coreSpoke_ = false;
  std::chrono::steady_clock::time_point start_;
  std::mutex mutex_;  // the reading reports from a second thread too
  std::string phase_;
  int percent_ = 0;
  size_t lastWidth_ = 0;
};

}  // namespace rowsmith::cli
