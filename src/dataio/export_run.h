// The export runs of the bar exports: what tells a symbol's first row (new file, header
// line) from the rows that follow it. Two runs live for the life of the loaded library: the
// CSV run, shared by VQM_SaveDataToCsv and VQM_SaveDataToCsv2 (so either continues the
// other's count), and the text run of VQM_SaveDataToTxt. Nothing resets a run but a change
// of symbol.
//
// Plain process-wide data, defined with the other process-wide state but outside the
// ordered list of objects: a run starts empty and needs nothing from the others.
// REQUIRES: callers hold the library-wide lock.
#pragma once

#include <string>

#include "base/lock_rule.h"

namespace vqm {

struct ExportRun {
  // The whole symbol of the last call: a long name must still match itself.
  std::string lastSymbol;
  // Calls made for lastSymbol since it became the last symbol, this call included.
  int counter = 0;

  // Counts a call for symbol and returns the counter: 1 when symbol differs from the last
  // one (ignoring case, same length), else one more than before. REQUIRES: symbol non-null.
  int Advance(const char* symbol) VQM_REQUIRES_LIBRARY_LOCK;
};

extern ExportRun g_CsvExportRun VQM_GUARDED_BY(kLibraryLock);
extern ExportRun g_TextExportRun VQM_GUARDED_BY(kLibraryLock);

ExportRun& CsvExportRun();
ExportRun& TextExportRun();

}  // namespace vqm
