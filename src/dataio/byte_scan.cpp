#include "dataio/byte_scan.h"

#include <emmintrin.h>

#include <cstring>

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

void LineStopScanner::Start(size_t begin, size_t end, const ByteReplacement* replacement) {
  begin_ = begin;
  end_ = end;
  replacement_ = replacement;
  piece_ = SIZE_MAX;
}

void LineStopScanner::TakePiece(char* block, size_t piece, bool lineSawUntil) {
  const size_t at = begin_ + piece * 64;
  char* p = block + at;
  const size_t n = end_ - at < 64 ? end_ - at : 64;
  const ByteReplacement* r = replacement_;
  uint64_t stops = 0, untils = 0, froms = 0;
  if (n < 64) {
    // The read's last bytes: found one by one, and left for the line's own rewrite.
    for (size_t i = 0; i < n; ++i) {
      const char c = p[i];
      if (c == '\n' || c == '\r' || c == 0 || c == 0x1a) stops |= uint64_t{1} << i;
      if (r != nullptr && c == r->until) untils |= uint64_t{1} << i;
    }
    stops_ = stops;
    untils_ = untils;
    replaced_ = r == nullptr;
    piece_ = piece;
    return;
  }
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  const __m128i sub = _mm_set1_epi8(0x1a);
  const __m128i until = _mm_set1_epi8(r != nullptr ? r->until : 0);
  const __m128i from = _mm_set1_epi8(r != nullptr ? r->from : 0);
  __m128i v[4];
  for (int k = 0; k < 4; ++k) {
    v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v[k], lf), _mm_cmpeq_epi8(v[k], cr)),
                                     _mm_or_si128(_mm_cmpeq_epi8(v[k], nul), _mm_cmpeq_epi8(v[k], sub)));
    stops |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hit))} << (16 * k);
    untils |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[k], until)))} << (16 * k);
    froms |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[k], from)))} << (16 * k);
  }
  stops_ = stops;
  piece_ = piece;
  if (r == nullptr) {
    untils_ = 0;
    replaced_ = true;
    return;
  }
  untils_ = untils;
  replaced_ = !lineSawUntil && untils == 0;
  if (!replaced_ || froms == 0) return;
  const __m128i to = _mm_set1_epi8(r->to);
  for (int k = 0; k < 4; ++k) {
    if (((froms >> (16 * k)) & 0xFFFF) == 0) continue;
    const __m128i hit = _mm_cmpeq_epi8(v[k], from);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * k),
                     _mm_or_si128(_mm_andnot_si128(hit, v[k]), _mm_and_si128(hit, to)));
  }
}

}  // namespace vqm
