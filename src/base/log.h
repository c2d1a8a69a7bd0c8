// The log writer: one printf-style operation appending a line to the process's log file
// "C:/Database/VOVOD/logs/YYYYMMDD/VQM_F1.log". The first call reads the settings, creates
// the day's directory and opens the file, which then stays open.
//
// Line layouts: "<category cut or padded to 16>|<time prefix><text>\r\n", or without the
// category column for a null category. The time prefix is "HH:MM:SS.mmm<mark>|" with the
// mark ' ' for level <= 0 and 'a' + level - 1 otherwise, or empty when LogShowTime is NO.
//
// Categories "*OPENLOG", "*FLUSH" and "*CLOSE" are controls (see LogWriteText).
// Thread-safe: every call holds the library-wide lock.
#pragma once

#include <cstdint>

#include "base/lock_rule.h"
#include "base/log_state.h"

namespace vqm {

using LogLevel = int;

// Formats the message into a 10,000-character buffer and writes it. Returns 0 (also when
// no log is open), the result of a control, or 0 / -1 without writing anything for a
// message that formats to no characters or does not fit.
int LOGTRACE(const char* category, LogLevel level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// True while an ordinary line would be dropped: the process's first log call has been made
// and no log file is open (the settings switch the log off, or it could not be opened).
// Callers on hot paths test it to skip formatting such a line; they are export bodies, which
// hold the lock already (taking it again costs more than the test).
// REQUIRES: the library-wide lock.
inline bool LogDropsLines() VQM_REQUIRES_LIBRARY_LOCK {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  return g_LogState.firstCall != 0 && g_LogState.file == nullptr;
}

// The core behind LOGTRACE: text is modified in place (CR and LF become '+').
int LogWriteText(const char* category, char* text, LogLevel level);

// Flushes and closes the log file, if one is open; later lines are dropped until a
// "*OPENLOG". Called when the library is unloaded, so that a host that loads and unloads
// the library again and again keeps no descriptor per load.
void CloseLogAtUnload();

// Pointers are written as 16 upper-case hex digits on every platform, the way the
// Windows C library prints "%p": use PTR_FMT in the format and PtrArg(p) as the argument.
#define PTR_FMT "%016llX"
inline unsigned long long PtrArg(const void* p) {
  return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p));
}

}  // namespace vqm
