// One bar of a trend-reversal series, shared by the export and the series API: whether the
// bar starts the ribbon afresh, and its measurement.
#pragma once

#include "indicators/trend_reversal_series.h"

namespace vqm {

// True when the bar's date-time is earlier than the series' latest bar: the ribbon restarts.
inline bool TrendRevGoesBack(const CTrendRevSym& s, const DateTime& barTime) {
  return ChronologicalKey(barTime) < ChronologicalKey(s.lastTime);
}

// Records the bar's date-time and measures its price against the ribbon.
inline TrendRevResult TrendRevBar(CTrendRevSym& s, const DateTime& barTime, float price,
                                  float widthFactor) {
  s.lastTime = barTime;
  TrendRevResult r;
  s.Measure(price, widthFactor, r);
  return r;
}

}  // namespace vqm
