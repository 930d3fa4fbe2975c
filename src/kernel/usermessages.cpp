#include "kernel/usermessages.h"

#include <cstdio>

namespace rowsmith {

std::string_view phaseName(ImportPhase phase) {
  switch (phase) {
    case ImportPhase::Reading: return "Lesen";
    case ImportPhase::Loading: return "Laden";
    case ImportPhase::Persons: return "Personen";
    case ImportPhase::Export: return "Export";
  }
  return {};
}

void UserMessages::showProgress(ImportPhase, int) {}

namespace {

class StderrMessages : public UserMessages {
 public:
  void showMessage(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }
};

StderrMessages gStderrMessages;
UserMessages* gMessages = &gStderrMessages;

}  // namespace

UserMessages& userMessages() { return *gMessages; }

UserMessages* setUserMessages(UserMessages* messages) {
  UserMessages* previous = gMessages;
  gMessages = messages ? messages : &gStderrMessages;
  return previous;
}

}  // namespace rowsmith
