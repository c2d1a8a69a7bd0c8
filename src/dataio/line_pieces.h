// The scan of a line's bytes, shared by every width: what one 64-byte piece holds, and
// whether the replacement may be made in it. Plain integers only, so that each width's
// scan, built for its own instructions, takes this in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dataio/byte_scan.h"

namespace vqm::line_pieces {

// Bit i stands for byte i of the piece.
struct PieceBytes {
  uint64_t ends;    // LF, NUL, Ctrl-Z: the bytes that end a line
  uint64_t lone;    // CRs that no LF follows
  uint64_t untils;  // the replacement's `until` bytes
};

// Whether the piece's replacement may be made: it holds no `until` byte, and the line it
// starts in has had none. Moves untilInLine on to the piece's end.
inline bool Settles(const PieceBytes& piece, bool& untilInLine) {
  const bool settles = piece.untils == 0 && !untilInLine;
  if (piece.ends != 0) {
    const int last = 63 - __builtin_clzll(piece.ends);
    untilInLine = last < 63 && (piece.untils >> (last + 1)) != 0;
  } else if (piece.untils != 0) {
    untilInLine = true;
  }
  return settles;
}

inline void MarkUnsettled(uint64_t* unsettled, size_t piece) {
  unsettled[piece / 64] |= uint64_t{1} << (piece % 64);
}

// Appends the offsets of a piece's stops. Four are written whatever the piece holds (most
// hold one or two), so that the count per piece steers no branch; the high bit keeps the
// count of trailing zeros defined once the stops run out, and what it gives is written over.
inline size_t AddStops(uint64_t stops, size_t piece, uint16_t* offsets, size_t count) {
  offsets += count;
  const size_t n = static_cast<size_t>(__builtin_popcountll(stops));
  const uint16_t base = static_cast<uint16_t>(64 * piece);
  constexpr uint64_t kHigh = uint64_t{1} << 63;
  offsets[0] = static_cast<uint16_t>(base + __builtin_ctzll(stops | kHigh));
  stops &= stops - 1;
  offsets[1] = static_cast<uint16_t>(base + __builtin_ctzll(stops | kHigh));
  stops &= stops - 1;
  offsets[2] = static_cast<uint16_t>(base + __builtin_ctzll(stops | kHigh));
  stops &= stops - 1;
  offsets[3] = static_cast<uint16_t>(base + __builtin_ctzll(stops | kHigh));
  stops &= stops - 1;
  for (size_t j = 4; j < n; ++j) {
    offsets[j] = static_cast<uint16_t>(base + __builtin_ctzll(stops));
    stops &= stops - 1;
  }
  return count + n;
}

// A piece's masks taken (`halted`: its NULs and Ctrl-Zs, not yet in its ends): its stops
// added after the `count` held, and its stops other than LFs noted in `others`. True when
// the replacement is to be made in it; a piece that may not take it is marked unsettled.
inline bool TakePiece(PieceBytes& piece, uint64_t halted, size_t k, const ByteReplacement* r,
                      bool& untilInLine, uint64_t& others, size_t& count, LineStops& found) {
  piece.ends |= halted;
  count = AddStops(piece.ends | piece.lone, k, found.offsets, count);
  others |= halted | piece.lone;
  if (r == nullptr) return false;
  if (!Settles(piece, untilInLine)) {
    MarkUnsettled(found.unsettled, k);
    return false;
  }
  return true;
}

// The scans of whole pieces, one per width: each adds the pieces' stops and unsettled bits
// to `found` and returns untilInLine at their end. p[64 * pieces] is read.
bool ScanPieces16(char* p, size_t pieces, const ByteReplacement* r, bool untilInLine, LineStops& found);
bool ScanPieces32(char* p, size_t pieces, const ByteReplacement* r, bool untilInLine, LineStops& found);
bool ScanPieces64(char* p, size_t pieces, const ByteReplacement* r, bool untilInLine, LineStops& found);

}  // namespace vqm::line_pieces
