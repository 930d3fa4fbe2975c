#include "export/xlsxexport.h"

namespace rowsmith {

XlsxOutcome buildXlsxWorkbook(const StringTable&, const std::vector<int>&, bool) {
  XlsxOutcome outcome;
  outcome.cause = "this build writes no workbooks (built without libxlsxwriter)";
  return outcome;
}

}  // namespace rowsmith
