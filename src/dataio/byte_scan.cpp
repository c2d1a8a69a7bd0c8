#include "dataio/byte_scan.h"

#include <emmintrin.h>

#include <atomic>
#include <cstring>

#include "dataio/line_pieces.h"

namespace vqm {

size_t PlainLineRun(const char* p, size_t size) {
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  const __m128i sub = _mm_set1_epi8(0x1a);
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, nul), _mm_cmpeq_epi8(v, sub)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
  for (; i < size; ++i) {
    const char c = p[i];
    if (c == '\n' || c == '\r' || c == 0 || c == 0x1a) return i;
  }
  return size;
}

size_t ReplaceByteBeforeStop(char* p, size_t size, char from, char to, char stop) {
  const __m128i match = _mm_set1_epi8(from);
  const __m128i replacement = _mm_set1_epi8(to);
  const __m128i stopper = _mm_set1_epi8(stop);
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    __m128i* at = reinterpret_cast<__m128i*>(p + i);
    const __m128i v = _mm_loadu_si128(at);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, stopper)) != 0) return i;
    const __m128i hit = _mm_cmpeq_epi8(v, match);
    _mm_storeu_si128(at, _mm_or_si128(_mm_andnot_si128(hit, v), _mm_and_si128(hit, replacement)));
  }
  if (memchr(p + i, stop, size - i) != nullptr) return i;
  for (; i < size; ++i)
    if (p[i] == from) p[i] = to;
  return size;
}

namespace line_pieces {

bool ScanPieces16(char* p, size_t pieces, const ByteReplacement* r, bool untilInLine, LineStops& found) {
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  const __m128i sub = _mm_set1_epi8(0x1a);
  const __m128i until = _mm_set1_epi8(r != nullptr ? r->until : 0);
  const __m128i from = _mm_set1_epi8(r != nullptr ? r->from : 0);
  const __m128i to = _mm_set1_epi8(r != nullptr ? r->to : 0);
  uint64_t others = 0;  // stops that are not LFs
  size_t count = found.count;
  for (size_t k = 0; k < pieces; ++k) {
    char* q = p + 64 * k;
    PieceBytes piece = {0, 0, 0};
    uint64_t froms = 0, halted = 0;
    __m128i v[4];
    for (int i = 0; i < 4; ++i) {
      v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16 * i));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16 * i + 1));
      const __m128i halts = _mm_or_si128(_mm_cmpeq_epi8(v[i], nul), _mm_cmpeq_epi8(v[i], sub));
      const __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(v[i], cr));
      const int shift = 16 * i;
      piece.ends |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[i], lf)))} << shift;
      halted |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(halts))} << shift;
      piece.lone |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(lone))} << shift;
      piece.untils |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[i], until)))} << shift;
      froms |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[i], from)))} << shift;
    }
    if (!TakePiece(piece, halted, k, r, untilInLine, others, count, found)) continue;
    for (int i = 0; i < 4; ++i) {
      if (((froms >> (16 * i)) & 0xFFFF) == 0) continue;
      const __m128i hit = _mm_cmpeq_epi8(v[i], from);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16 * i),
                       _mm_or_si128(_mm_andnot_si128(hit, v[i]), _mm_and_si128(hit, to)));
    }
  }
  found.count = count;
  if (others != 0) found.onlyLineFeeds = false;
  return untilInLine;
}

}  // namespace line_pieces

namespace {

using PieceScan = bool (*)(char*, size_t, const ByteReplacement*, bool, LineStops&);

int ProcessorWidth() {
  __builtin_cpu_init();
  // The wide scans count and find their stops with POPCNT and TZCNT as well.
  if (!__builtin_cpu_supports("popcnt") || !__builtin_cpu_supports("bmi")) return 16;
  if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2")) return 64;
  if (__builtin_cpu_supports("avx2")) return 32;
  return 16;
}

std::atomic<int> g_scanWidth{0};  // 0: not chosen yet

int ScanWidth() {
  int width = g_scanWidth.load(std::memory_order_relaxed);
  if (width == 0) {
    width = WidestScanWidth();
    g_scanWidth.store(width, std::memory_order_relaxed);
  }
  return width;
}

// A last piece shorter than 64 bytes, one byte at a time; its replacement is left to the
// lines' own rewrite.
bool ScanShortPiece(char* p, size_t size, const ByteReplacement* r, bool untilInLine,
                    size_t piece, LineStops& found) {
  line_pieces::PieceBytes bytes = {0, 0, 0};
  bool others = false;
  for (size_t i = 0; i < size; ++i) {
    const char c = p[i];
    const uint64_t bit = uint64_t{1} << i;
    if (c == '\n' || c == 0 || c == 0x1a) bytes.ends |= bit;
    if (c == '\r' && p[i + 1] != '\n') bytes.lone |= bit;
    if (r != nullptr && c == r->until) bytes.untils |= bit;
    others = others || c == 0 || c == 0x1a || (bytes.lone & bit) != 0;
  }
  found.count = line_pieces::AddStops(bytes.ends | bytes.lone, piece, found.offsets, found.count);
  if (others) found.onlyLineFeeds = false;
  if (r == nullptr) return untilInLine;
  line_pieces::Settles(bytes, untilInLine);
  line_pieces::MarkUnsettled(found.unsettled, piece);
  return untilInLine;
}

}  // namespace

int WidestScanWidth() {
  static const int width = ProcessorWidth();
  return width;
}

int LimitScanWidth(int bytes) {
  int width = WidestScanWidth();
  while (width > 16 && width > bytes) width /= 2;
  g_scanWidth.store(width, std::memory_order_relaxed);
  return width;
}

bool ScanLineStops(char* p, size_t size, const ByteReplacement* replacement, bool untilInLine,
                   LineStops& found) {
  const size_t pieces = size / 64;
  found.count = 0;
  found.onlyLineFeeds = true;
  memset(found.unsettled, 0, ((size + 63) / 64 + 63) / 64 * sizeof(uint64_t));
  const int width = ScanWidth();
  const PieceScan scan = width == 64   ? line_pieces::ScanPieces64
                         : width == 32 ? line_pieces::ScanPieces32
                                       : line_pieces::ScanPieces16;
  untilInLine = scan(p, pieces, replacement, untilInLine, found);
  if (size % 64 == 0) return untilInLine;
  return ScanShortPiece(p + 64 * pieces, size % 64, replacement, untilInLine, pieces, found);
}

}  // namespace vqm
