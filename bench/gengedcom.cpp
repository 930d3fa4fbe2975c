// Writes a generated GEDCOM file: gengedcom PERSONS OUT.ged [--chain N] [--ansi] [--lf]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gedcomgen.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PERSONS OUT.ged [--chain N] [--ansi] [--lf]\n", argv[0]);
    return 2;
  }
  rowsmith::bench::GedcomGenOptions options;
  options.persons = std::atoll(argv[1]);
  std::string out = argv[2];
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--chain") == 0 && i + 1 < argc) {
      options.chain = std::atoll(argv[++i]);
    } else if (std::strcmp(argv[i], "--ansi") == 0) {
      options.utf8 = false;
    } else if (std::strcmp(argv[i], "--lf") == 0) {
      options.crlf = false;
    } else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (options.persons <= 0) {
    std::fprintf(stderr, "PERSONS must be positive\n");
    return 2;
  }
  if (!rowsmith::bench::writeGedcomFile(out, options)) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
