// Finding the next byte of interest in a run of text, 16 bytes at a time.
#pragma once

#include <cstddef>

namespace vqm {

// Length of the leading run of p[0..size) that holds none of the bytes a line reader stops
// at: LF, CR, NUL and Ctrl-Z.
size_t PlainLineRun(const char* p, size_t size);

// Replaces every byte `from` in p[0..size) by `to`.
void ReplaceByte(char* p, size_t size, char from, char to);

}  // namespace vqm
