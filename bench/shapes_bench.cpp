// Shapes that stress one dimension each: one man with many wives (the star)
// and one family with very many children. Both must convert in linear time.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "convertrun.h"
#include "gedcomgen.h"

namespace fs = std::filesystem;
using namespace rowsmith;

namespace {

bool run(const fs::path& dir, const std::string& title, const std::string& text) {
  const std::string gedcom = (dir / "shape.ged").string();
  std::ofstream(gedcom, std::ios::binary) << text;
  if (fs::file_size(gedcom) != text.size()) {
    std::fprintf(stderr, "cannot write %s\n", gedcom.c_str());
    return false;
  }
  bench::printConversion(title.c_str(), gedcom, bench::convertFile(gedcom));
  return true;
}

}  // namespace

// shapes_bench [PARTNERS [CHILDREN]]
int main(int argc, char** argv) {
  const long long partners = argc > 1 ? std::atoll(argv[1]) : 100000;
  const long long children = argc > 2 ? std::atoll(argv[2]) : 300000;
  std::string tmpl = (fs::temp_directory_path() / "rowsmith-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path dir = tmpl;
  bool ok = run(dir, "one man, " + std::to_string(partners) + " wives", bench::starGedcomText(partners)) &&
            run(dir, "one family, " + std::to_string(children) + " children", bench::bigFamilyGedcomText(children));
  std::error_code ec;
  fs::remove_all(dir, ec);
  return ok ? 0 : 1;
}
