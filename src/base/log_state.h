// The log writer's process-wide record, statically initialised (defined with the other
// process-wide state). Private to the log writer, but for LogDropsLines, which reads it
// inline on the exports' usual paths; tests may reset it to its initial values to see a
// process's first log call again.
#pragma once

#include <cstdio>

#include "base/lock_rule.h"

namespace vqm {

struct LogState {
  int firstCall = 0;             // set to 1 by the first call, before anything else
  FILE* file = nullptr;          // the open log, null while none is open
  char openedPath[1001] = {0};   // path of the file last opened
  int showTime = -1;             // cached LogShowTime; -1: not read yet
  int lineCounter = 0;           // lines written since the last flush
  int lastFlushTime = 0;         // seconds since 1970 (low 32 bits); <= 0: flush setting unread
  int flushOnEach = 0;           // cached LogFileFlushOnEach, valid once lastFlushTime > 0
  int lineCut = 0;               // 1: a failed write left part of a line that could not be cut off
};

extern LogState g_LogState VQM_GUARDED_BY(kLibraryLock);

// For tests, which read and reset it between calls, on one thread.
LogState& TheLogState();

}  // namespace vqm
