#include "dataio/export_run.h"

#include <climits>

#include "base/lock_rule.h"
#include "base/text.h"

namespace vqm {

int ExportRun::Advance(const char* symbol) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  if (StrCompareNoCase(lastSymbol.c_str(), symbol, 1) != 0) {
    lastSymbol.assign(symbol);
    counter = 1;
  } else if (counter < INT_MAX) {  // holds at the top rather than wrap to a first row
    ++counter;
  }
  return counter;
}

ExportRun& CsvExportRun() { return g_CsvExportRun; }

ExportRun& TextExportRun() { return g_TextExportRun; }

}  // namespace vqm
