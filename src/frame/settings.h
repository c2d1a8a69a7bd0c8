// Settings file and base paths: where the library lives on disk, the INI file named after
// the host executable, and the small text and path operations the whole library shares.
//
// The two caches (base directory, settings path) fill on first use and are never refreshed.
// REQUIRES: callers hold the library-wide lock (every export does).
#pragma once

namespace vqm {

constexpr int kBaseDirCapacity = 260;   // characters, without the terminator
constexpr int kIniPathCapacity = 1000;  // characters, without the terminator

// Drive and directory of the host executable, lower-cased where file names ignore case,
// without a trailing "\debug\" or "\release\" level. out: room for 261 bytes.
int GetBaseDir(char* out);

// "<base dir>/<executable name>.ini" with forward slashes. out: room for 1001 bytes.
int GetIniPath(char* out);

// One value of a private-profile file; file null means the settings file.
int ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file);

// Writes one value; file null means the settings file. Non-zero on success.
int WriteIniString(const char* section, const char* key, const char* value, const char* file);

// 1 when the stored value (or the default, when there is none) is YES ignoring case. A
// missing key, or a value that is neither YES nor NO, is written back normalised.
int GetIniYesNo(const char* section, const char* key, int defaultYes, const char* file);

// Case-insensitive comparison: 0 equal, 1 a differing character, 2 different lengths (mode 1)
// or a longer a (mode 2), 3 a null text. Mode 2 counts a being a prefix of b as equal.
int StrCompareNoCase(const char* a, const char* b, int mode);

// In place: back slashes become forward slashes, then trailing forward slashes go.
void NormalizeSlashes(char* path);

// Creates every directory along path (at most 1000 characters). With lastIsFile the last
// component is a file name and is not created. 0 on success, -1 on failure.
int MakeDirectoryPath(const char* path, int lastIsFile);

// Empties the base-directory and settings-path caches, as at load. For a process that
// must see its host anew (tests); the library itself never calls it.
void ClearPathCaches();

// Copies at most capacity-1 characters and terminates; returns the length copied.
int CopyBounded(char* out, int capacity, const char* text);

}  // namespace vqm
