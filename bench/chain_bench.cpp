// A file that is one remarriage chain (person 1 married person 2, whose other
// spouse is person 3, ...) against an ordinary file of as many persons: the
// chain must convert at about the same speed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "convertrun.h"
#include "gedcomgen.h"

namespace fs = std::filesystem;
using namespace rowsmith;

int main(int argc, char** argv) {
  const long long persons = argc > 1 ? std::atoll(argv[1]) : 1000000;
  std::string tmpl = (fs::temp_directory_path() / "rowsmith-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path dir = tmpl;
  const std::string gedcom = (dir / "bench.ged").string();
  double mbPerSecond[2] = {0, 0}, mbPerCpuSecond[2] = {0, 0};
  for (int chained = 1; chained >= 0; --chained) {
    bench::GedcomGenOptions options;
    options.persons = persons;
    options.chain = chained ? persons : 0;
    if (!bench::writeGedcomFile(gedcom, options)) {
      std::fprintf(stderr, "cannot write %s\n", gedcom.c_str());
      return 1;
    }
    bench::Conversion c = bench::convertFile(gedcom);
    std::string title = std::to_string(persons) + (chained ? " persons in one remarriage chain" : " persons, ordinary");
    bench::printConversion(title.c_str(), gedcom, c);
    mbPerSecond[chained] = static_cast<double>(fs::file_size(gedcom)) / 1e6 / c.total();
    mbPerCpuSecond[chained] = static_cast<double>(fs::file_size(gedcom)) / 1e6 / c.totalCpu();
  }
  std::printf("chain speed / ordinary speed: wall %.2f, cpu %.2f\n", mbPerSecond[1] / mbPerSecond[0],
              mbPerCpuSecond[1] / mbPerCpuSecond[0]);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
