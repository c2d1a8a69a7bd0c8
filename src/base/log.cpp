#include "base/log.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "base/lock_rule.h"
#include "base/log_state.h"
#include "base/paths.h"
#include "base/printf_format.h"
#include "base/settings.h"
#include "base/text.h"
#include "platform/platform.h"

namespace vqm {
namespace {

constexpr int kMessageCapacity = 10000;
constexpr int kLineCapacity = 20000;
constexpr const char* kDataDirectory = "C:/Database/VOVOD";
constexpr const char* kLogFileName = "VQM_F1";

int LowSeconds(const platform::ClockReading& now) {
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(now.unixSeconds)));
}

// Two decimal digits of a value 0..99 (hours, minutes, seconds of a valid clock), from a
// table: every line writes four of them.
size_t PutTwoDigits(char* out, int value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  const int v = value < 0 ? 0 : value % 100;
  memcpy(out, kPairs + 2 * v, 2);
  return 2;
}

// Every CR and LF of the text of length n becomes '+': a line of the log is one line.
void JoinLines(char* text, size_t n) {
  for (const char c : {'\r', '\n'})
    for (char* p = text; (p = static_cast<char*>(memchr(p, c, n - (p - text)))) != nullptr;)
      *p++ = '+';
}

// A write that stopped part way (a full disk) left the first `written` bytes of the line at
// the end of the file: they are cut off again, or, when that fails, the next line starts
// with a line end of its own.
void CutBack(LogState& s, long written) VQM_REQUIRES_LIBRARY_LOCK {
  const long long size = platform::FileSize(s.file);
  s.lineCut = size < written || !platform::TruncateFile(s.file, size - written) ? 1 : 0;
}

// Steps 3 to 9 of an ordinary line: layout, one unbuffered write, the flush rule.
int WriteLine(const char* category, char* text, LogLevel level) VQM_REQUIRES_LIBRARY_LOCK {
  LogState& s = g_LogState;
  if (s.file == nullptr) return 0;
  size_t length = strlen(text);
  JoinLines(text, length);

  const platform::ClockReading now = platform::Now();
  if (s.showTime < 0) s.showTime = GetIniYesNo("SYS", "LogShowTime", 1, nullptr);
  // The line is assembled by hand: it is written for every log call.
  char line[kLineCapacity];
  size_t n = 0;
  if (s.lineCut) {
    // The last line stopped part way: this one starts on a line of its own.
    line[n++] = '\r';
    line[n++] = '\n';
  }
  if (category != nullptr) {
    size_t c = 0;
    while (c < 16 && category[c] != 0) ++c;
    memcpy(line + n, category, c);
    memset(line + n + c, ' ', 16 - c);
    line[n + 16] = '|';
    n += 17;
  }
  if (s.showTime) {
    const platform::CivilTime& t = now.local;
    n += PutTwoDigits(line + n, t.hour);
    line[n++] = ':';
    n += PutTwoDigits(line + n, t.minute);
    line[n++] = ':';
    n += PutTwoDigits(line + n, t.second);
    line[n++] = '.';
    line[n++] = static_cast<char>('0' + t.millisecond / 100 % 10);
    n += PutTwoDigits(line + n, t.millisecond % 100);
    line[n++] = level <= 0 ? ' ' : static_cast<char>(level + 96);
    line[n++] = '|';
  }
  if (length > kLineCapacity - n - 2) length = kLineCapacity - n - 2;
  memcpy(line + n, text, length);
  n += length;
  line[n++] = '\r';
  line[n++] = '\n';
  const long written = platform::WriteUnbuffered(s.file, line, n);
  if (written == static_cast<long>(n)) {
    s.lineCut = 0;
  } else if (written > 0) {
    CutBack(s, written);
  }

  ++s.lineCounter;
  const int nowSeconds = LowSeconds(now);
  if (s.lastFlushTime <= 0) {
    s.flushOnEach = GetIniYesNo("SYS", "LogFileFlushOnEach", 0, nullptr);
    s.lastFlushTime = nowSeconds;
  }
  // The stored times are the low 32 bits: the difference wraps as they do (past 2038, or
  // when the clock jumps) instead of overflowing.
  const int elapsed =
      static_cast<int>(static_cast<uint32_t>(nowSeconds) - static_cast<uint32_t>(s.lastFlushTime));
  if (s.flushOnEach || elapsed > 10 || s.lineCounter > 20) {
    platform::FlushFile(s.file, true);
    s.lineCounter = 0;
    s.lastFlushTime = nowSeconds;
  }
  return 0;
}

int OpenLog(const char* path, LogLevel level) VQM_REQUIRES_LIBRARY_LOCK {
  LogState& s = g_LogState;
  int result;
  if (s.file != nullptr) {
    result = -1;
  } else {
    s.file = platform::OpenFile(path, level == 1 ? "wbc" : "abc");
    if (s.file == nullptr) {
      result = -2;
    } else {
      CopyBounded(s.openedPath, sizeof s.openedPath, path);
      char text[sizeof s.openedPath + 64];
      snprintf(text, sizeof text, "====== Opening %s ======", s.openedPath);
      WriteLine("INIT", text, 0);
      platform::FlushFile(s.file, true);
      result = 1;
    }
  }
  s.lineCounter = 0;
  s.lastFlushTime = 0;
  return result;
}

// The first call of the process: the settings decide whether and how the log opens.
void OpenAtFirstCall() VQM_REQUIRES_LIBRARY_LOCK {
  if (!GetIniYesNo("RELEASE", "WriteLog", 1, nullptr)) return;
  const platform::ClockReading now = platform::Now();
  char base[1001];
  CopyBounded(base, sizeof base, kDataDirectory);
  NormalizeSlashes(base);
  char dir[1200];
  snprintf(dir, sizeof dir, "%s/logs", base);
  MakeDirectoryPath(dir, 0);
  snprintf(dir, sizeof dir, "%s/logs/%04d%02d%02d", base, now.local.year, now.local.month,
           now.local.day);
  MakeDirectoryPath(dir, 0);
  char path[1300];
  snprintf(path, sizeof path, "%s/logs/%04d%02d%02d/%s.log", base, now.local.year,
           now.local.month, now.local.day, kLogFileName);
  const int append = GetIniYesNo("SYS", "LogFileAppend", 1, nullptr);
  OpenLog(path, append ? 0 : 1);
}

}  // namespace

LogState& TheLogState() VQM_NO_THREAD_SAFETY_ANALYSIS { return g_LogState; }

namespace {
int WriteText(const char* category, char* text, LogLevel level);
}  // namespace

void CloseLogAtUnload() {
  ExportLock lock;
  LogState& s = g_LogState;
  if (s.file == nullptr) return;
  platform::FlushFile(s.file, true);
  platform::CloseFile(s.file);
  s.file = nullptr;
}

int LogWriteText(const char* category, char* text, LogLevel level) {
  // Logging never fails its caller: memory running out while the settings are read costs
  // the line, not the export that logs it.
  try {
    return WriteText(category, text, level);
  } catch (...) {
    return 0;
  }
}

namespace {

int WriteText(const char* category, char* text, LogLevel level) {
  ExportLock lock;
  LogState& s = g_LogState;
  if (s.firstCall == 0) {
    s.firstCall = 1;
    OpenAtFirstCall();
  }
  if (category != nullptr && category[0] == '*') {
    if (StrCompareNoCase(category, "*OPENLOG", 1) == 0) return OpenLog(text, level);
    if (StrCompareNoCase(category, "*FLUSH", 1) == 0) {
      if (s.file != nullptr) platform::FlushFile(s.file, true);
      return 0;
    }
    if (StrCompareNoCase(category, "*CLOSE", 1) == 0) {
      if (s.file != nullptr) {
        platform::FlushFile(s.file, true);
        fclose(s.file);
        s.file = nullptr;
      }
      return 0;
    }
  }
  return WriteLine(category, text, level);
}

}  // namespace

int LOGTRACE(const char* category, LogLevel level, const char* format, ...) {
  if (format == nullptr) return 0;
  char buffer[kMessageCapacity];
  va_list args;
  va_start(args, format);
  int n = FormatPrintf(buffer, sizeof buffer, format, args);
  va_end(args);
  // The text must fit whole: a longer message is dropped, as a bounded formatter reports -1.
  if (n >= kMessageCapacity) n = -1;
  if (n <= 0) return n;
  return LogWriteText(category, buffer, level);
}

}  // namespace vqm
