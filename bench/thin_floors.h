// The floors of the two thin exports, the price rescaling and the pattern search's add: the
// arithmetic one call must do, shared by the floor in the benchmark's loop
// (floors_bench.cpp) and by the same arithmetic behind a call (called_floors.cpp). Each
// takes its first four values in a vector's lanes, however the caller gathers them.
#pragma once

#include <emmintrin.h>

namespace vqm::bench {

// Five values scaled and rounded the export's way (0.51 away from zero, truncated), each of
// the first four lanes doing one value's operations (x - 0.51 is x + -0.51 to the bit), the
// fifth alone. False, with nothing changed, for a factor not above 0 or equal to 1.
inline bool PrcNormFloor(float factor, __m128i& first, int& fifth) {
  if (!(factor > 0.0f) || factor == 1.0f) return false;
  const __m128 x = _mm_mul_ps(_mm_cvtepi32_ps(first), _mm_set1_ps(factor));
  const __m128 above = _mm_cmpgt_ps(x, _mm_setzero_ps());
  const __m128 shift =
      _mm_or_ps(_mm_and_ps(above, _mm_set1_ps(0.51f)), _mm_andnot_ps(above, _mm_set1_ps(-0.51f)));
  first = _mm_cvttps_epi32(_mm_add_ps(x, shift));
  const float f = static_cast<float>(fifth) * factor;
  fifth = static_cast<int>(f > 0.0f ? f + 0.51f : f - 0.51f);
  return true;
}

// The same on five values side by side in memory.
inline void PrcNormFloor(float factor, int (&v)[5]) {
  __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v));
  if (PrcNormFloor(factor, first, v[4])) _mm_storeu_si128(reinterpret_cast<__m128i*>(v), first);
}

struct GemBar {
  int day;
  float v[5];
};

// Adding a bar: its four prices divided side by side, each lane one division, and kept with
// its volume and day.
inline void StoreGemBarFloor(GemBar& bar, int day, __m128i prices, int volume, float divisor) {
  bar.day = day;
  _mm_storeu_ps(bar.v, _mm_div_ps(_mm_cvtepi32_ps(prices), _mm_set1_ps(divisor)));
  bar.v[4] = static_cast<float>(volume);
}

}  // namespace vqm::bench
