// The real-time latch: a stopwatch started by the first call of the process, and the value
// recorded by the first call made more than a threshold of seconds after that start.
#pragma once

#include "base/lock_rule.h"
#include "datetime/date_time.h"

namespace vqm {

struct RealtimeLatch {
  DateTime start;     // local wall-clock time of the first call; empty until then
  int recorded = -1;  // -1 until a positive value is recorded
};

extern RealtimeLatch g_RealtimeLatch VQM_GUARDED_BY(kLibraryLock);

}  // namespace vqm
