// Reading into the index in memory: generates 100,000 persons into a
// temporary file, reads it with readGedcom (best of 3) and prints MB/s and
// lines/s. Given a file instead, reads and loads that one 3 times and prints
// each run, so that the spread of a busy machine shows.
// Usage: read_bench [PERSONS [utf8|ansi]] | read_bench FILE
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gedcomgen.h"
#include "import/gedcomreader.h"
#include "import/gedcomindex.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// CPU time of the process: on a busy machine closer to the cost than wall time.
static double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

static double elapsed(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

static int readFile(const std::string& gedcom) {
  const double megabytes = static_cast<double>(fs::file_size(gedcom)) / 1e6;
  for (int run = 0; run < 3; ++run) {
    rowsmith::GedcomIndex db;
    auto start = Clock::now();
    double cpuStart = cpuSeconds();
    const int32_t lines = rowsmith::readGedcom(gedcom, db).counter;
    const double read = elapsed(start), readCpu = cpuSeconds() - cpuStart;
    if (lines <= 0) {
      std::fprintf(stderr, "reading failed: %d\n", lines);
      return 1;
    }
    start = Clock::now();
    cpuStart = cpuSeconds();
    rowsmith::LoadIndex(db);
    const double load = elapsed(start), loadCpu = cpuSeconds() - cpuStart;
    std::printf("%s: %.1f MB, %d lines  read %.3f s (cpu %.3f s) %.1f MB/s  load %.3f s (cpu %.3f s)\n",
                gedcom.c_str(), megabytes, lines, read, readCpu, megabytes / read, load, loadCpu);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]).find_first_not_of("0123456789") != std::string::npos) return readFile(argv[1]);
  rowsmith::bench::GedcomGenOptions options;
  options.persons = argc > 1 ? std::atoll(argv[1]) : 100000;
  std::string tmpl = (fs::temp_directory_path() / "rowsmith-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path dir = tmpl;
  const std::string gedcom = (dir / "bench.ged").string();

  int status = 0;
  const std::string only = argc > 2 ? argv[2] : "";  // "utf8" or "ansi"
  for (bool utf8 : {true, false}) {
    if ((only == "utf8" && !utf8) || (only == "ansi" && utf8)) continue;
    options.utf8 = utf8;
    if (!rowsmith::bench::writeGedcomFile(gedcom, options)) {
      std::fprintf(stderr, "cannot write %s\n", gedcom.c_str());
      status = 1;
      break;
    }
    const double megabytes = static_cast<double>(fs::file_size(gedcom)) / 1e6;
    double best = 1e30;
    double bestCpu = 1e30;
    int32_t lines = 0;
    rowsmith::GedcomIndex db;
    for (int run = 0; run < 3; ++run) {
      rowsmith::GedcomIndex fresh;
      auto start = Clock::now();
      double cpuStart = cpuSeconds();
      lines = rowsmith::readGedcom(gedcom, fresh).counter;
      if (run == 2) std::swap(db.Blocks, fresh.Blocks), std::swap(db.Fields, fresh.Fields), std::swap(db.Text, fresh.Text),
                    std::swap(db.Tags, fresh.Tags);
      double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      best = std::min(best, seconds);
      bestCpu = std::min(bestCpu, cpuSeconds() - cpuStart);
    }
    if (lines <= 0) {
      std::fprintf(stderr, "reading failed: %d\n", lines);
      status = 1;
      break;
    }
    auto loadStart = Clock::now();
    rowsmith::LoadIndex(db);
    double loadSeconds = std::chrono::duration<double>(Clock::now() - loadStart).count();
    std::printf("read %s: %lld persons, %.1f MB, %d lines, %zu blocks, %zu fields\n", utf8 ? "UTF-8" : "ANSI",
                static_cast<long long>(options.persons), megabytes, lines, db.Blocks.size(), db.Fields.size());
    std::printf("  readGedcom best of 3: %.3f s  %.1f MB/s  %.2f million lines/s\n", best, megabytes / best,
                lines / best / 1e6);
    std::printf("  (CPU time %.3f s  %.1f MB/s)\n", bestCpu, megabytes / bestCpu);
    std::printf("  LoadIndex: %.3f s\n", loadSeconds);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return status;
}
