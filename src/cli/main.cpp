// rowsmith-convert: a GEDCOM file in, the delimited table out, no window.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/conversion.h"
#include "cli/helptext.h"
#include "cli/options.h"
#include "os/osfile.h"

using namespace rowsmith;

int main(int argc, char** argv) {
  // A file-size limit then fails the write, which removes its temporary file
  // and says so, instead of ending the process half-way through it.
  os::ignoreFileSizeLimitSignal();
  std::vector<std::string> args(argv + 1, argv + argc);
  cli::ConvertOptions options;
  std::string error;
  if (!cli::parseConvertOptions(args, options, error)) {
    cli::printError(error);
    std::fprintf(stderr, "Try '%s --help'.\n", cli::kProgram);
    return 2;
  }
  if (options.help) {
    std::fputs(cli::helpText(options.english).c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s %s\n", cli::kProgram, ROWSMITH_VERSION);
    return 0;
  }
  try {
    return cli::convertFile(options);
  } catch (const std::bad_alloc&) {
    cli::printError(options.input + ": out of memory");
  } catch (const std::exception& e) {
    cli::printError(options.input + ": " + e.what());
  }
  return 1;
}
