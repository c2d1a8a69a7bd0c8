// Rescaling of integer prices by a common factor.
#pragma once

#include <climits>
#include <cmath>

#if defined(__SSE__) || defined(_M_X64)
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

// Five prices rescaled by factor: false (out untouched) when the factor is not above 0 or is
// exactly 1; otherwise every value of in, read first, is written to out as
// RoundPrice(value x factor, 1). in and out may be the same array.
// Inline and unrolled: the export is little more than this.
inline bool NormalisePrices(float factor, const int (&in)[5], int (&out)[5]) {
  float values[5];
#pragma GCC unroll 5
  for (int i = 0; i < 5; ++i) values[i] = static_cast<float>(in[i]);
  if (!(factor > 0.0f) || factor == 1.0f) return false;
#pragma GCC unroll 5
  for (int i = 0; i < 5; ++i) out[i] = RoundPrice(values[i] * factor, 1);
  return true;
}

}  // namespace vqm
