// The text operations the whole library shares.
#pragma once

namespace vqm {

// Case-insensitive comparison: 0 equal, 1 a differing character, 2 different lengths (mode 1)
// or a longer a (mode 2), 3 a null text. Mode 2 counts a being a prefix of b as equal.
int StrCompareNoCase(const char* a, const char* b, int mode);

// Copies at most capacity-1 characters and terminates; returns the length copied.
int CopyBounded(char* out, int capacity, const char* text);

}  // namespace vqm
