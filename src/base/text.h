// The text operations the whole library shares.
#pragma once

#include <cstring>
#include <string>

namespace vqm {

// Whether `given` is `kept` byte for byte: the test a series' symbol or key passes on every
// call. glibc's strcmp compares a word at a time; the Windows C runtime's goes byte by byte
// behind an imported call, so there the loop is inline, bounded by the kept length, and reads
// `given` only up to its first differing byte or its terminator.
inline bool SameBytes(const char* given, const std::string& kept) {
#if defined(_WIN32)
  const char* k = kept.c_str();
  const size_t n = kept.size();
  for (size_t i = 0; i < n; ++i)
    if (given[i] != k[i]) return false;
  return given[n] == 0;
#else
  return std::strcmp(given, kept.c_str()) == 0;
#endif
}

// Case-insensitive comparison: 0 equal, 1 a differing character, 2 different lengths (mode 1)
// or a longer a (mode 2), 3 a null text. Mode 2 counts a being a prefix of b as equal.
int StrCompareNoCase(const char* a, const char* b, int mode);

// Copies at most capacity-1 characters and terminates; returns the length copied.
int CopyBounded(char* out, int capacity, const char* text);

}  // namespace vqm
