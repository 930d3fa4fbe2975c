#pragma once
// Asks the system to back a large buffer with huge pages before it is first
// written: hundreds of megabytes then cost a few hundred page faults instead
// of many thousands. Only advice; does nothing where it is not supported.
#include <cstddef>

namespace rowsmith {

void adviseHugePages(void* data, size_t bytes);

}  // namespace rowsmith
