// The line scan 32 and 64 bytes at a time, for processors with AVX2 and with AVX-512 (BW and
// VBMI2), and POPCNT and BMI, which every one of them has. Each is built for its own instructions alone and run only where the processor has them
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
    if (!TakePiece(piece, halted, k, r, untilInLine, others, count, found)) continue;
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

__attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt,bmi"))) bool ScanPieces64(
    char* p, size_t pieces, const ByteReplacement* r, bool untilInLine, LineStops& found) {
  // The byte numbers 0 to 63, from which a piece's stops are picked out (VPCOMPRESSB).
  const __m512i byteNumbers = _mm512_set_epi8(
      63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42,
      41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20,
      19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  __m512i pieceStart = _mm512_setzero_si512();  // 64 * k in every 16-bit lane
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
    // The stops' byte numbers, packed and widened to offsets: 32 at once, which most
    // pieces never reach.
    const uint64_t stops = piece.ends | piece.lone;
    const __m512i numbers = _mm512_maskz_compress_epi8(stops, byteNumbers);
    // (Halves taken with a mask: GCC 12 warns of the unset lanes the plain extract starts from.)
    const __m256i none = _mm256_setzero_si256();
    uint16_t* offsets = found.offsets + count;
    const __m256i low = _mm512_mask_extracti64x4_epi64(none, 0xFF, numbers, 0);
    _mm512_storeu_si512(offsets, _mm512_add_epi16(pieceStart, _mm512_cvtepu8_epi16(low)));
    const size_t n = static_cast<size_t>(_mm_popcnt_u64(stops));
    if (n > 32) {
      const __m256i high = _mm512_mask_extracti64x4_epi64(none, 0xFF, numbers, 1);
      _mm512_storeu_si512(offsets + 32, _mm512_add_epi16(pieceStart, _mm512_cvtepu8_epi16(high)));
    }
    count += n;
    pieceStart = _mm512_add_epi16(pieceStart, _mm512_set1_epi16(64));
    others |= halted | piece.lone;
    if (r == nullptr) continue;
    piece.untils = _mm512_cmpeq_epi8_mask(v, until);
    if (!Settles(piece, untilInLine)) {
      MarkUnsettled(found.unsettled, k);
      continue;
    }
    const __mmask64 froms = _mm512_cmpeq_epi8_mask(v, from);
    if (froms != 0) _mm512_storeu_si512(q, _mm512_mask_blend_epi8(froms, v, to));
  }
  found.count = count;
  if (others != 0) found.onlyLineFeeds = false;
  return untilInLine;
}

}  // namespace vqm::line_pieces
