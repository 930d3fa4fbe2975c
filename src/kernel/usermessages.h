#pragma once
// What the core has to tell the user goes through this one interface: the
// desktop program shows a message box, the converter writes to stderr.
#include <string_view>

namespace rowsmith {

class UserMessages {
 public:
  virtual ~UserMessages() = default;
  // A plain message box with one OK button.
  virtual void showMessage(std::string_view text) = 0;
  // Progress of a long run: phase name and 0..100. Default: ignored.
  virtual void showProgress(std::string_view phase, int percent);
};

// The process-wide receiver; by default one that writes to standard error.
UserMessages& userMessages();
// Installs a receiver (nullptr restores the default); returns the previous one.
UserMessages* setUserMessages(UserMessages* messages);

}  // namespace rowsmith
