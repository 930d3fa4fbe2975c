#include "kernel/usermessages.h"

#include <cstdio>

namespace rowsmith {

void UserMessages::showProgress(std::string_view, int) {}

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
