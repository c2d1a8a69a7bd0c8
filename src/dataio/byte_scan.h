// Finding the next byte of interest in a run of text, 16 bytes at a time.
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

// Finds the line stops (LF, CR, NUL, Ctrl-Z) in the bytes of one read, 64 at a time, and may
// make a replacement in the same pass: a 64-byte piece is rewritten when it holds no `until`
// byte and the line it starts in has had none so far, so every byte it replaces lies ahead
// of its line's first `until`. Pieces are taken in order as the scan reaches them, before
// any byte of theirs is consumed; the bytes consumed may then be moved about freely.
class LineStopScanner {
 public:
  // Scans the block's bytes [begin, end); replacement may be null.
  void Start(size_t begin, size_t end, const ByteReplacement* replacement);
  // The offset of the first stop at or after `from` (not below the last call's), or end.
  // sawUntil is set when the bytes [from, stop) hold an `until` byte, unreplaced when some
  // of them lie in a piece that was left as it was. block may have moved since the last
  // call; its bytes at and after `from` have not.
  // Inline: a line of a usual file is a piece or less, and this is most of its cost.
  size_t NextStop(char* block, size_t from, bool& sawUntil, bool& unreplaced) {
    for (;;) {
      if (from >= end_) return end_;
      const size_t piece = (from - begin_) / 64;
      if (piece != piece_) TakePiece(block, piece, sawUntil);
      if (!replaced_) unreplaced = true;
      const uint64_t ahead = ~uint64_t{0} << ((from - begin_) % 64);
      const uint64_t stops = stops_ & ahead;
      if (stops != 0) {
        const int at = __builtin_ctzll(stops);
        if ((untils_ & ahead & ((uint64_t{1} << at) - 1)) != 0) sawUntil = true;
        return begin_ + piece * 64 + static_cast<size_t>(at);
      }
      if ((untils_ & ahead) != 0) sawUntil = true;
      from = begin_ + (piece + 1) * 64;
    }
  }

 private:
  // Finds the piece's stops and `until` bytes, and makes its replacement where it may.
  void TakePiece(char* block, size_t piece, bool lineSawUntil);

  size_t begin_ = 0, end_ = 0;
  const ByteReplacement* replacement_ = nullptr;
  size_t piece_ = SIZE_MAX;  // the piece whose masks are held
  uint64_t stops_ = 0, untils_ = 0;
  bool replaced_ = true;  // the held piece had its replacement made (or needs none)
};

}  // namespace vqm
