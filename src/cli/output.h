#pragma once
// Where the table goes: the file named with -o, replaced whole, or standard
// output. Failures come back as the line to print, naming the file and the
// real cause.
#include <span>
#include <string>
#include <string_view>

#include "kernel/atomicfile.h"

namespace rowsmith::cli {

class TableOutput {
 public:
  TableOutput() = default;
  ~TableOutput();
  TableOutput(const TableOutput&) = delete;
  TableOutput& operator=(const TableOutput&) = delete;

  // Prepares target (empty: standard output) before anything is read, so a
  // target that cannot be written costs no conversion. An interrupt from
  // then on removes the temporary file. Empty on success.
  std::string open(const std::string& target, const std::string& input);
  // Writes the pieces one after the other and puts the whole in place.
  // Empty on success; a broken pipe on standard output ends quietly with "-".
  std::string finish(std::span<const std::string> pieces);

 private:
  std::string target_;
  AtomicFile file_;
};

}  // namespace rowsmith::cli
