#pragma once
// Where the table goes: the file named with -o, replaced whole, or standard
// output. Failures come back as the line to print, naming the file and the
// real cause.
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
  // Writes the next bytes of the table; false once a write has failed,
  // which finish reports.
  bool write(std::string_view bytes);
  // The file that will replace a file target, for writers that need a
  // name; empty for standard output and targets written straight into.
  const std::string& temporaryPath() const { return file_.temporaryPath(); }
  // Puts the written table in place. Empty on success; a broken pipe on
  // standard output ends quietly with "-".
  std::string finish();

 private:
  std::string target_;
  AtomicFile file_;
  std::string outputProblem_;  // the failed write to standard output
};

}  // namespace rowsmith::cli
