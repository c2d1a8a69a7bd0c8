// Rescaling of integer prices by a common factor.
#pragma once

#include <climits>
#include <cmath>

#include "base/sse2.h"

#if !defined(VQM_SSE2) && defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace vqm {

// Truncation toward zero with the x86 answer for what does not fit: INT_MIN. On x86 that is
// the processor's own truncating conversion, so no test is needed.
inline int TruncatePrice(float f) {
#if defined(__SSE__) || defined(_M_X64)
  return _mm_cvtt_ss2si(_mm_set_ss(f));
#else
  if (std::isnan(f) || f >= 2147483648.0f || f < -2147483648.0f) return INT_MIN;
  return static_cast<int>(f);
#endif
}

// x + d for x > 0, else x - d, with d = 5.1 / (scale * 10) in single precision; times the
// scale, truncated toward zero. For scale 1 a fraction of about 0.49 rounds away from zero.
// NaN and results beyond the int range give INT_MIN, as the processor's truncation does.
// Inline, so that the export's scale 1 folds into constants.
inline int RoundPrice(float x, int scale) {
  const float d = 5.1f / static_cast<float>(scale * 10);
  const float shifted = x > 0.0f ? x + d : x - d;
  return TruncatePrice(shifted * static_cast<float>(scale));
}

// Whether a factor rescales prices: above 0 and not exactly 1.
inline bool RescalesPrices(float factor) { return factor > 0.0f && factor != 1.0f; }

// Five prices rescaled by factor: false (out untouched) when the factor is not above 0 or is
// exactly 1; otherwise every value of in, read first, is written to out as
// RoundPrice(value x factor, 1). in and out may be the same array.
// Inline and unrolled: the export is little more than this.
inline bool NormalisePrices(float factor, const int (&in)[5], int (&out)[5]) {
#if defined(VQM_SSE2)
  // The first four side by side, each lane doing RoundPrice's operations on its own value
  // (x - d is x + -d to the bit); the fifth alone.
  const __m128i first = _mm_set_epi32(in[3], in[2], in[1], in[0]);
  const int fifth = in[4];
  if (!RescalesPrices(factor)) return false;
  const float d = 5.1f / static_cast<float>(1 * 10);
  const __m128 x = _mm_mul_ps(_mm_cvtepi32_ps(first), _mm_set1_ps(factor));
  const __m128 above = _mm_cmpgt_ps(x, _mm_setzero_ps());
  const __m128 shift =
      _mm_or_ps(_mm_and_ps(above, _mm_set1_ps(d)), _mm_andnot_ps(above, _mm_set1_ps(-d)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_cvttps_epi32(_mm_add_ps(x, shift)));
  out[4] = RoundPrice(static_cast<float>(fifth) * factor, 1);
  return true;
#else
  float values[5];
#pragma GCC unroll 5
  for (int i = 0; i < 5; ++i) values[i] = static_cast<float>(in[i]);
  if (!RescalesPrices(factor)) return false;
#pragma GCC unroll 5
  for (int i = 0; i < 5; ++i) out[i] = RoundPrice(values[i] * factor, 1);
  return true;
#endif
}

}  // namespace vqm
