// The parts of the OS layer that are the same on every system.
#include <mutex>

#include "os/faults.h"
#include "os/osfile.h"

namespace rowsmith::os {

namespace detail {

std::atomic<bool> faultHookSet{false};

namespace {
std::mutex hookMutex;
FaultHook& theHook() {
  static FaultHook hook;
  return hook;
}
}  // namespace

Error askFaultHook(SystemCall call, size_t bytes) {
  FaultHook hook;
  {
    std::lock_guard lock(hookMutex);
    hook = theHook();
  }
  return hook ? hook(call, bytes) : Error{};
}

}  // namespace detail

FaultHook setFaultHook(FaultHook hook) {
  std::lock_guard lock(detail::hookMutex);
  FaultHook before = std::move(detail::theHook());
  detail::faultHookSet.store(static_cast<bool>(hook), std::memory_order_relaxed);
  detail::theHook() = std::move(hook);
  return before;
}

std::ptrdiff_t File::readFull(char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    std::ptrdiff_t got = readSome(data + done, size - done);
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<std::ptrdiff_t>(done);
}

}  // namespace rowsmith::os
