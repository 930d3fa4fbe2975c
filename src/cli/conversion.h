#pragma once
// One conversion as the command line asked for it: the exit status.
#include "cli/options.h"

namespace rowsmith::cli {

// 0 done, 1 a file could not be read or written; messages on standard error.
int convertFile(const ConvertOptions& options);

}  // namespace rowsmith::cli
