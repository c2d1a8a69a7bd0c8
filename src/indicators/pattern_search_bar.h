// One bar of the pattern search, shared by the exports and the series API: the bar's values
// as the history stores them, and the excursions measured for a bar of the history.
#pragma once

#include "base/sse2.h"
#include "indicators/pattern_search_history.h"

namespace vqm {

// Open, high, low and close divided by the divisor, and the volume, in single precision.
inline void FindGemBarValues(int divisor, int open, int high, int low, int close, int volume,
                             float (&values)[5]) {
  const float d = static_cast<float>(divisor);
#if defined(VQM_SSE2)
  // The four divisions side by side, one to a lane.
  _mm_storeu_ps(values, _mm_div_ps(_mm_cvtepi32_ps(_mm_set_epi32(close, low, high, open)),
                                   _mm_set1_ps(d)));
#else
  values[0] = static_cast<float>(open) / d;
  values[1] = static_cast<float>(high) / d;
  values[2] = static_cast<float>(low) / d;
  values[3] = static_cast<float>(close) / d;
#endif
  values[4] = static_cast<float>(volume);
}

// The excursions after the bar `scope` bars before the one at barTime; status -1 (and all
// four 0) when that bar is not in the history or too few bars precede it.
inline FindGemExcursions FindGemMeasureAt(const CFindGemDB& db, const DateTime& barTime) {
  return db.MeasureAt(barTime);
}

}  // namespace vqm
