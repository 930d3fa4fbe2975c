#pragma once
// For the system files of the OS layer only: the fault hook's answer for a
// call. Costs one relaxed load while no test has set a hook.
#include <atomic>

#include "os/osfile.h"

namespace rowsmith::os::detail {

extern std::atomic<bool> faultHookSet;
Error askFaultHook(SystemCall call, size_t bytes);

inline Error injectedFault(SystemCall call, size_t bytes) {
  if (!faultHookSet.load(std::memory_order_relaxed)) return {};
  return askFaultHook(call, bytes);
}

}  // namespace rowsmith::os::detail
