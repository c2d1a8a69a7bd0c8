// Finding the next byte of interest in a run of text, 16 bytes at a time.
#pragma once

#include <cstddef>

namespace vqm {

// Length of the leading run of p[0..size) that holds none of the bytes a line reader stops
// at: LF, CR, NUL and Ctrl-Z.
size_t PlainLineRun(const char* p, size_t size);

// Replaces the bytes `from` in p[0..size) by `to`, up to the 16-byte piece that holds the
// first byte `stop`; returns where that piece starts (size when p holds no `stop`): the
// bytes from there on are left as they are.
size_t ReplaceByteBeforeStop(char* p, size_t size, char from, char to, char stop);

}  // namespace vqm
