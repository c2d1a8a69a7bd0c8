// The guard of the value-block bar export. The body counts its progress in a stage number;
// what it throws is turned into the export's answer:
//   - a library exception (or memory exhaustion) is absorbed without a message; the result
//     is -10, as for a failed open, unless the row was already written and the file closed
//     (stage 8), since a bar that is not in the file must not be counted as written;
//   - anything else formats "Internal Error occured (State=<stage>)", logs it under "CSV2"
//     at level 2 and copies it, with its terminator, into errorText (when there is one;
//     the script supplies room for 33 bytes).
// Otherwise the result is the CSV run's counter as it stands.
#pragma once

#include <cstdio>
#include <cstring>

#include "base/lock_rule.h"
#include "base/log.h"
#include "dataio/export_run.h"
#include "frame/export_frame.h"

namespace vqm {

// REQUIRES: the library-wide lock is held. body(int& stage) returns the export's result.
template <class Body>
VQM_REQUIRES_LIBRARY_LOCK int RunBlockExportGuarded(Body&& body, char* errorText) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  int stage = 1;
  int result = 0;
  const Caught caught =
      RunGuarded([&]() VQM_REQUIRES_LIBRARY_LOCK { result = body(stage); }, nullptr, 0);
  if (caught == Caught::kNone) return result;
  if (caught == Caught::kFramework && stage < 8) return -10;
  if (caught == Caught::kOther) {
    char text[64];
    snprintf(text, sizeof text, "Internal Error occured (State=%d)", stage);
    LOGTRACE("CSV2", 2, "%s", text);
    if (errorText != nullptr) memcpy(errorText, text, strlen(text) + 1);
  }
  return CsvExportRun().counter;
}

}  // namespace vqm
