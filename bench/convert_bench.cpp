// The whole conversion (read and index, load, extract, export text) of
// generated files of 100,000 and 1,000,000 persons, or of the sizes or files
// given as arguments: seconds, MB/s of input, persons/s and peak memory per
// phase.
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
  // Numbers are sizes to generate; anything else is a GEDCOM file to convert.
  std::vector<std::string> inputs(argv + 1, argv + argc);
  if (inputs.empty()) inputs = {"100000", "1000000"};
  std::string tmpl = (fs::temp_directory_path() / "rowsmith-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path dir = tmpl;
  std::vector<double> totals, cpuTotals;
  std::vector<size_t> persons;
  for (const std::string& input : inputs) {
    std::string gedcom = input;
    if (!input.empty() && input.find_first_not_of("0123456789") == std::string::npos) {
      gedcom = (dir / "bench.ged").string();
      bench::GedcomGenOptions options;
      options.persons = std::atoll(input.c_str());
      if (!bench::writeGedcomFile(gedcom, options)) {
        std::fprintf(stderr, "cannot write %s\n", gedcom.c_str());
        return 1;
      }
    }
    bench::Conversion c = bench::convertFile(gedcom);
    bench::printConversion(input.c_str(), gedcom, c);
    totals.push_back(c.total());
    cpuTotals.push_back(c.totalCpu());
    persons.push_back(c.persons);
  }
  for (size_t i = 1; i < totals.size(); ++i) {
    std::printf("time ratio %s / %s (%zu / %zu persons): wall %.2f, cpu %.2f\n", inputs[i].c_str(), inputs[0].c_str(),
                persons[i], persons[0], totals[i] / totals[0], cpuTotals[i] / cpuTotals[0]);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
