// The whole conversion (read and index, load, extract, export text) of
// generated files of 100,000 and 1,000,000 persons, or of the sizes given as
// arguments: seconds, MB/s of input and peak memory per phase.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "convertrun.h"
#include "gedcomgen.h"

namespace fs = std::filesystem;
using namespace rowsmith;

int main(int argc, char** argv) {
  std::vector<long long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoll(argv[i]));
  if (sizes.empty()) sizes = {100000, 1000000};
  std::string tmpl = (fs::temp_directory_path() / "rowsmith-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path dir = tmpl;
  const std::string gedcom = (dir / "bench.ged").string();
  std::vector<double> totals, cpuTotals;
  for (long long persons : sizes) {
    bench::GedcomGenOptions options;
    options.persons = persons;
    if (!bench::writeGedcomFile(gedcom, options)) {
      std::fprintf(stderr, "cannot write %s\n", gedcom.c_str());
      return 1;
    }
    bench::Conversion c = bench::convertFile(gedcom);
    std::string title = std::to_string(persons) + " persons";
    bench::printConversion(title.c_str(), gedcom, c);
    totals.push_back(c.total());
    cpuTotals.push_back(c.totalCpu());
  }
  for (size_t i = 1; i < totals.size(); ++i) {
    std::printf("time ratio %lld / %lld persons: wall %.2f, cpu %.2f\n", sizes[i], sizes[0], totals[i] / totals[0],
                cpuTotals[i] / cpuTotals[0]);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
