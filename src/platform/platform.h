// The one door to the operating system. Everything the library needs from Windows
// (files, directories, private-profile files, the clock, the registry's time-zone biases,
// the host executable's path, the environment, sleeping, the library-wide lock) is reached
// through these functions. Each service call goes to the current Env (platform/env.h):
// platform/win32 implements it on the real APIs; platform/posix on stand-ins, mapping drive
// paths ("C:/Database/...") under $VQM_DRIVE_ROOT.
//
// All texts are zero-terminated 8-bit texts; paths may use either slash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/library_mutex.h"

namespace vqm::platform {

// A broken-down wall-clock time. month is 1..12, millisecond 0..999.
struct CivilTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// One reading of the clock: seconds since 1970 (UTC) with the local and UTC broken-down
// forms of that same instant. localValid is false when the local conversion failed.
struct ClockReading {
  int64_t unixSeconds = 0;
  CivilTime local;
  CivilTime utc;
  bool localValid = true;
};

ClockReading Now();

// Windows time-zone biases in minutes (UTC = local time + bias).
struct TimeZoneBiases {
  bool keyOpened = false;  // false: the time-zone key could not be opened
  bool hasBias = false;
  bool hasActiveBias = false;
  int bias = 0;
  int activeTimeBias = 0;
};
TimeZoneBiases ReadTimeZoneBiases();

// Full path of the host process's executable (not of this library).
std::string ExecutablePath();

// Environment variable, or false when it is not set.
bool GetEnvironment(const char* name, std::string* value);

void SleepMilliseconds(int ms);

// ---- files and directories ----

// fopen with a drive-mapped path. Modes as the C library takes them; a trailing "c"
// (commit on flush) is honoured where the OS has it.
FILE* OpenFile(const char* path, const char* mode);

// Writes straight to the stream's descriptor, bypassing its buffer. Returns bytes written or -1.
long WriteUnbuffered(FILE* file, const void* data, size_t size);

// Flushes the stream; on Windows commit also asks the OS to put the data on disk.
void FlushFile(FILE* file, bool commit);

// Size of an open file in bytes, or -1.
long long FileSize(FILE* file);

// fwrite of the whole block; true only when every byte reached the stream.
bool WriteAll(FILE* file, const void* data, size_t size);

// fclose; true only when the buffered data reached the OS and the close succeeded. The
// stream is gone either way.
bool CloseFile(FILE* file);

// Cuts an open file back to length bytes and leaves the stream at its end. True on success.
bool TruncateFile(FILE* file, long long length);

// Opens a regular file for reading ("rb") without waiting: a pipe, a device or a directory
// is refused (null, errno set) before anything could block on it.
FILE* OpenRegularFile(const char* path);

// Renames from over to, replacing an existing file in one step (a reader sees the old file
// or the new, never neither); on Windows the rename is written through to the disk.
bool RenameReplacing(const char* from, const char* to);

// A name for a temporary file in the same directory as path, unique within the machine.
std::string TemporaryPathBeside(const char* path);

// Removes a file; false when it cannot be removed.
bool RemoveFile(const char* path);

// Replaces the whole file at path with data, so that a reader sees the old content or the
// new, never an empty or partial file: the data goes to a temporary file beside it, which is
// closed and then renamed over path. Returns 0 on success, else an error number (errno
// style); the old file then stays as it was and no temporary file is left behind.
int ReplaceFileContents(const char* path, const void* data, size_t size);

enum class MakeDirResult { kCreated, kAlreadyExists, kFailed };
MakeDirResult MakeDirectory(const char* path);

// True when the path can be read (access test for read permission).
bool IsReadable(const char* path);
// True when the path's status says it is a regular file.
bool IsRegularFile(const char* path);

// True where the file system treats names that differ only in case as one (Windows).
bool FileNamesIgnoreCase();

// The path as the OS sees it (drive paths mapped on POSIX; unchanged on Windows).
std::string NativePath(const char* path);

// ---- private-profile (INI) files ----

// Reads one value into buffer (size bytes, always terminated) and returns the number of
// characters placed there; a missing file, section or key gives the default.
int ProfileRead(const char* section, const char* key, const char* defaultValue,
                      char* buffer, int size, const char* file);
// Writes one value, creating the file, section or key as needed. Non-zero on success.
int ProfileWrite(const char* section, const char* key, const char* value,
                       const char* file);

// ---- threads ----

// The library-wide lock that every export holds while it touches process-wide state.
// Constant-initialised and trivially destroyed: there from load to unload without a
// first-use check, and an export called during unload still finds it.
extern LibraryMutex g_libraryMutex;
inline LibraryMutex& LibraryLock() { return g_libraryMutex; }

}  // namespace vqm::platform
