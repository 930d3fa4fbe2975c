#include "export/xlsxexport.h"

namespace rowsmith {

namespace {
XlsxOutcome noWorkbooks() {
  XlsxOutcome outcome;
  outcome.cause = "this build writes no workbooks (built without libxlsxwriter)";
  return outcome;
}
}  // namespace

XlsxOutcome writeXlsxWorkbook(const std::string&, const StringTable&, const DateCells&, const std::vector<int>&, bool) {
  return noWorkbooks();
}

XlsxOutcome writeXlsxWorkbookOfExportTable(const std::string&, const StringTable&, const std::vector<bool>&,
                                           const std::vector<int>&) {
  return noWorkbooks();
}

XlsxOutcome buildXlsxWorkbook(const StringTable&, const DateCells&, const std::vector<int>&, bool) {
  return noWorkbooks();
}

}  // namespace rowsmith
