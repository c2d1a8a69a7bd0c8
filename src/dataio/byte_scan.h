// Finding the bytes a line reader stops at in a run of text, 16 to 64 bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vqm {

// Length of the leading run of p[0..size) that holds none of the bytes a line reader stops
// at: LF, CR, NUL and Ctrl-Z.
size_t PlainLineRun(const char* p, size_t size);

// Replaces the bytes `from` in p[0..size) by `to`, up to the 16-byte piece that holds the
// first byte `stop`; returns where that piece starts (size when p holds no `stop`): the
// bytes from there on are left as they are.
size_t ReplaceByteBeforeStop(char* p, size_t size, char from, char to, char stop);

// A byte replaced by another ahead of a line's first `until` byte.
struct ByteReplacement {
  char from, to, until;
};

// What a scan of a run of bytes (at most 65536 of them) found.
// - offsets, count: where the stops lie, in order, counted from the run's first byte: the
//   bytes a line reader stops at (LF, NUL, Ctrl-Z, and a CR that no LF follows; a CR before
//   an LF belongs to that line end, and is left to whoever ends the line). Room for the
//   run's size + 4 offsets: the scan may write a few past the last.
// - onlyLineFeeds: every stop is an LF.
// - unsettled: one bit a 64-byte piece (bit k % 64 of word k / 64), room for a bit for each
//   piece: the replacement was not made in that piece, as it holds an `until` byte, or the
//   line it starts in has had one, or it is a last piece shorter than 64 bytes. The lines
//   that touch it need their own rewrite; every other line had its `from` bytes replaced.
struct LineStops {
  uint16_t* offsets;
  uint64_t* unsettled;
  size_t count;
  bool onlyLineFeeds;
};

// Scans p[0, size), making the replacement (may be null) in the pieces where it may: every
// byte it replaces lies ahead of its line's first `until` byte. Lines end at LF, NUL and
// Ctrl-Z; a CR does not end one. p[size] is read: the byte that follows, or a 0 where the
// bytes end. untilInLine: the line the bytes start in has had an `until` byte; returns the
// same of the line they end in (as given, without a replacement).
bool ScanLineStops(char* p, size_t size, const ByteReplacement* replacement, bool untilInLine,
                   LineStops& found);

// The widest scan this processor runs: 64 bytes at a time (AVX-512 BW and VBMI2), 32 (AVX2)
// or 16 (SSE2).
int WidestScanWidth();
// Scans run at most `bytes` at a time from now on (16, 32 or 64: so that every path can be
// compared on one machine); returns the width they now run at. Every width finds the same.
int LimitScanWidth(int bytes);

}  // namespace vqm
