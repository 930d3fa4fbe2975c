#pragma once
// Makes the OS layer's calls fail as a full disk or a broken drive would, on
// every system, for the life of the object.
#include <atomic>
#include <cstdint>

#include "os/osfile.h"

namespace rowsmith::test {

class InjectedFaults {
 public:
  // Writes fail with a full disk once more than writeBudget bytes were
  // written; calls of failingCall fail with failure from the start.
  explicit InjectedFaults(uint64_t writeBudget = UINT64_MAX, os::SystemCall failingCall = os::SystemCall::Write,
                          os::ErrorKind failure = os::ErrorKind::None) {
    budget_ = writeBudget;
    before_ = os::setFaultHook([this, failingCall, failure](os::SystemCall call, size_t bytes) {
      if (failure != os::ErrorKind::None && call == failingCall) return os::errorOfKind(failure);
      if (call != os::SystemCall::Write) return os::Error{};
      if (written_.fetch_add(bytes) + bytes > budget_) return os::errorOfKind(os::ErrorKind::NoSpace);
      return os::Error{};
    });
  }
  ~InjectedFaults() { os::setFaultHook(std::move(before_)); }
  InjectedFaults(const InjectedFaults&) = delete;
  InjectedFaults& operator=(const InjectedFaults&) = delete;

 private:
  uint64_t budget_ = UINT64_MAX;
  std::atomic<uint64_t> written_{0};
  os::FaultHook before_;
};

}  // namespace rowsmith::test
