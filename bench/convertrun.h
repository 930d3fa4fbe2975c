#pragma once
// The whole conversion of one GEDCOM file, phase by phase, with the time of
// each phase and the process's peak memory after it.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export/exporttext.h"
#include "import/extractor.h"
#include "import/gedcomreader.h"
#include "import/importrun.h"
#include "import/gedcomindex.h"
#include "import/rows.h"

namespace rowsmith::bench {

// Peak resident memory in bytes (VmHWM).
inline size_t peakMemory() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return static_cast<size_t>(std::stoull(line.substr(6))) * 1024;
  }
  return 0;
}

// Starts a new peak measurement (Linux: clear_refs 5 resets VmHWM).
inline void resetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// Processor time of this process (user and system), which other processes on
// a busy machine disturb less than the wall clock.
inline double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Phase {
  const char* name;
  double seconds;
  double cpu;
  size_t peak;
};

struct Conversion {
  std::vector<Phase> phases;
  size_t rows = 0;
  size_t persons = 0;
  size_t textBytes = 0;
  double total() const {
    double t = 0;
    for (const Phase& p : phases) t += p.seconds;
    return t;
  }
  double totalCpu() const {
    double t = 0;
    for (const Phase& p : phases) t += p.cpu;
    return t;
  }
};

inline Conversion convertFile(const std::string& gedcom) {
  using Clock = std::chrono::steady_clock;
  Conversion result;
  auto start = Clock::now();
  double cpuStart = cpuSeconds();
  auto phase = [&](const char* name) {
    auto now = Clock::now();
    double cpu = cpuSeconds();
    result.phases.push_back({name, std::chrono::duration<double>(now - start).count(), cpu - cpuStart, peakMemory()});
    start = Clock::now();
    cpuStart = cpuSeconds();
  };
  resetPeakMemory();
  StringTable table(kResultColumns);
  {
    GedcomIndex db;
    if (readGedcom(gedcom, db).counter <= 0) {
      std::fprintf(stderr, "reading %s failed\n", gedcom.c_str());
      return result;
    }
    phase("read+index");
    LoadIndex(db);
    phase("load");
    Extractor extractor(db);
    std::vector<int32_t> persons = extractor.GetPersonList();
    table.setRowCount(1);
    for (int c = 0; c < kResultColumns; ++c) table.setCell(c, 0, resultColumns()[static_cast<size_t>(c)].header);
    RowAssembly rows(extractor, table);
    rows.prepare(persons);
    for (int32_t p : persons) rows.AddPersonRows(p);
    table.setRowCount(rows.currentRow());
    result.persons = persons.size();
    result.rows = static_cast<size_t>(table.rowCount() - 1);
  }
  phase("extract");
  std::vector<int> columns;
  for (int c = 0; c < kResultColumns; ++c) columns.push_back(c);
  // As the converter writes it by default: Windows-1252, in pieces.
  const ExportBytes bytes =
      exportResult(table, resultDateCells(DateForm::Western), columns, true, ExportFormat{";", "", "\r\n"},
                   TextEncoding::Windows1252);
  for (const std::string& piece : bytes.pieces) result.textBytes += piece.size();
  phase("export text");
  return result;
}

inline void printConversion(const char* title, const std::string& gedcom, const Conversion& c) {
  const double mb = static_cast<double>(std::filesystem::file_size(gedcom)) / 1e6;
  std::printf("%s: %.1f MB input, %zu persons listed, %zu rows, %.1f MB export text\n", title, mb, c.persons, c.rows,
              static_cast<double>(c.textBytes) / 1e6);
  size_t peak = 0;
  std::printf("  %-12s %9s %10s %9s %10s %14s\n", "phase", "wall s", "MB/s", "cpu s", "MB/cpu-s", "peak memory");
  for (const Phase& p : c.phases) {
    std::printf("  %-12s %9.3f %10.1f %9.3f %10.1f %11.1f MB\n", p.name, p.seconds, mb / p.seconds, p.cpu,
                mb / p.cpu, static_cast<double>(p.peak) / 1e6);
    peak = std::max(peak, p.peak);
  }
  std::printf("  %-12s %9.3f %10.1f %9.3f %10.1f %11.1f MB = %.1f x input\n", "whole", c.total(), mb / c.total(),
              c.totalCpu(), mb / c.totalCpu(), static_cast<double>(peak) / 1e6, static_cast<double>(peak) / 1e6 / mb);
  std::printf("  %.0f persons/s\n", static_cast<double>(c.persons) / c.total());
}

}  // namespace rowsmith::bench
