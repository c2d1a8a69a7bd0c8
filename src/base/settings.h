// Settings file and base paths: where the library lives on disk and the INI file named after
// the host executable.
//
// The two caches (base directory, settings path) fill on first use and are never refreshed.
// REQUIRES: callers hold the library-wide lock (every export does), except for
// ClearPathCaches.
#pragma once

#include "base/lock_rule.h"

namespace vqm {

constexpr int kBaseDirCapacity = 260;   // characters, without the terminator
constexpr int kIniPathCapacity = 1000;  // characters, without the terminator

// Drive and directory of the host executable, lower-cased where file names ignore case,
// without a trailing "\debug\" or "\release\" level. out: room for 261 bytes.
int GetBaseDir(char* out) VQM_REQUIRES_LIBRARY_LOCK;

// "<base dir>/<executable name>.ini" with forward slashes. out: room for 1001 bytes.
int GetIniPath(char* out) VQM_REQUIRES_LIBRARY_LOCK;

// One value of a private-profile file; file null means the settings file.
int ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file) VQM_REQUIRES_LIBRARY_LOCK;

// Writes one value; file null means the settings file. Non-zero on success.
int WriteIniString(const char* section, const char* key, const char* value,
                   const char* file) VQM_REQUIRES_LIBRARY_LOCK;

// 1 when the stored value (or the default, when there is none) is YES ignoring case. A
// missing key, or a value that is neither YES nor NO, is written back normalised.
int GetIniYesNo(const char* section, const char* key, int defaultYes,
                const char* file) VQM_REQUIRES_LIBRARY_LOCK;

// The two caches, empty at load. Defined with the other process-wide state.
struct PathCaches {
  char baseDir[kBaseDirCapacity + 1];
  char iniPath[kIniPathCapacity + 1];
};
extern PathCaches g_PathCaches VQM_GUARDED_BY(kLibraryLock);

// Empties the base-directory and settings-path caches, as at load, under the library-wide
// lock. For a process that must see its host anew (tests); the library itself never calls it.
void ClearPathCaches();

}  // namespace vqm
