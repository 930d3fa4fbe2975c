// The whole import of an arbitrary byte string: reading, conversions, index,
// extraction and export text, with the invariants every run must keep
// (importcheck.h; the regression tests run their inputs through it too).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/importcheck.h"

namespace fs = std::filesystem;

namespace {

// A memory-backed folder where there is one: every input is written to a
// file there.
const std::string& folder() {
  static const std::string dir = [] {
    std::error_code ec;
    fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "rowsmith-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern + "/";
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = folder() + "input.ged";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::string broken = rowsmith::importcheck::brokenInvariant(file);
  if (broken.empty())
    broken = rowsmith::importcheck::lfTwinDiffers(std::string(reinterpret_cast<const char*>(data), size), folder());
  if (!broken.empty()) {
    std::fprintf(stderr, "invariant broken: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
