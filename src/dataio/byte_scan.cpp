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

}  // namespace vqm
