// The line scan 32 and 64 bytes at a time, for processors with AVX2 and AVX-512 (and POPCNT
// and BMI, which every one of them has). Each is built for its own instructions alone and run only where the processor has them
// (WidestScanWidth); nothing else in this file may be shared with the rest of the library.
#include <immintrin.h>

#include "dataio/line_pieces.h"

namespace vqm::line_pieces {

__attribute__((target("avx2,popcnt,bmi"))) bool ScanPieces32(char* p, size_t pieces, const ByteReplacement* r,
                                                  bool untilInLine, LineStops& found) {
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i nul = _mm256_setzero_si256();
  const __m256i sub = _mm256_set1_epi8(0x1a);
  const __m256i until = _mm256_set1_epi8(r != nullptr ? r->until : 0);
  const __m256i from = _mm256_set1_epi8(r != nullptr ? r->from : 0);
  const __m256i to = _mm256_set1_epi8(r != nullptr ? r->to : 0);
  uint64_t others = 0;  // stops that are not LFs
  size_t count = found.count;
  for (size_t k = 0; k < pieces; ++k) {
    char* q = p + 64 * k;
    PieceBytes piece = {0, 0, 0};
    uint64_t froms = 0, halted = 0;
    __m256i v[2];
    for (int i = 0; i < 2; ++i) {
      v[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 32 * i));
      const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 32 * i + 1));
      const __m256i halts = _mm256_or_si256(_mm256_cmpeq_epi8(v[i], nul), _mm256_cmpeq_epi8(v[i], sub));
      const __m256i lone = _mm256_andnot_si256(_mm256_cmpeq_epi8(next, lf), _mm256_cmpeq_epi8(v[i], cr));
      const int shift = 32 * i;
      piece.ends |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v[i], lf)))} << shift;
      halted |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(halts))} << shift;
      piece.lone |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(lone))} << shift;
      piece.untils |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v[i], until)))} << shift;
      froms |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v[i], from)))} << shift;
    }
    piece.ends |= halted;
    count = AddStops(piece.ends | piece.lone, k, found.offsets, count);
    others |= halted | piece.lone;
    if (r == nullptr) continue;
    if (!Settles(piece, untilInLine)) {
      MarkUnsettled(found.unsettled, k);
      continue;
    }
    for (int i = 0; i < 2; ++i) {
      if (static_cast<uint32_t>(froms >> (32 * i)) == 0) continue;
      const __m256i hit = _mm256_cmpeq_epi8(v[i], from);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + 32 * i), _mm256_blendv_epi8(v[i], to, hit));
    }
  }
  found.count = count;
  if (others != 0) found.onlyLineFeeds = false;
  return untilInLine;
}

__attribute__((target("avx512f,avx512bw,popcnt,bmi"))) bool ScanPieces64(char* p, size_t pieces,
                                                              const ByteReplacement* r,
                                                              bool untilInLine, LineStops& found) {
  const __m512i lf = _mm512_set1_epi8('\n');
  const __m512i cr = _mm512_set1_epi8('\r');
  const __m512i sub = _mm512_set1_epi8(0x1a);
  const __m512i until = _mm512_set1_epi8(r != nullptr ? r->until : 0);
  const __m512i from = _mm512_set1_epi8(r != nullptr ? r->from : 0);
  const __m512i to = _mm512_set1_epi8(r != nullptr ? r->to : 0);
  uint64_t others = 0;  // stops that are not LFs
  size_t count = found.count;
  for (size_t k = 0; k < pieces; ++k) {
    char* q = p + 64 * k;
    const __m512i v = _mm512_loadu_si512(q);
    const __m512i next = _mm512_loadu_si512(q + 1);
    PieceBytes piece;
    const uint64_t halted = _mm512_testn_epi8_mask(v, v) | _mm512_cmpeq_epi8_mask(v, sub);
    piece.ends = _mm512_cmpeq_epi8_mask(v, lf) | halted;
    piece.lone = _mm512_cmpeq_epi8_mask(v, cr) & ~_mm512_cmpeq_epi8_mask(next, lf);
    count = AddStops(piece.ends | piece.lone, k, found.offsets, count);
    others |= halted | piece.lone;
    if (r == nullptr) continue;
    piece.untils = _mm512_cmpeq_epi8_mask(v, until);
    if (!Settles(piece, untilInLine)) {
      MarkUnsettled(found.unsettled, k);
      continue;
    }
    const __mmask64 froms = _mm512_cmpeq_epi8_mask(v, from);
    if (froms != 0) _mm512_mask_storeu_epi8(q, froms, to);
  }
  found.count = count;
  if (others != 0) found.onlyLineFeeds = false;
  return untilInLine;
}

}  // namespace vqm::line_pieces
