// One bar of a trend-reversal series, shared by the export and the series API: whether the
// bar starts the ribbon afresh, and its measurement.
#pragma once

#include <cstdint>

#include "indicators/trend_reversal_series.h"

namespace vqm {

// The six fields in one number that orders as their comparison does, field by field.
inline uint64_t ChronologicalKey(const DateTime& t) {
  return uint64_t{t.year} << 40 | uint64_t{t.month} << 32 | uint64_t{t.day} << 24 |
         uint64_t{t.hour} << 16 | uint64_t{t.minute} << 8 | t.second;
}

// True when the bar's date-time is earlier than the series' latest bar: the ribbon restarts.
inline bool TrendRevGoesBack(const CTrendRevSym& s, const DateTime& barTime) {
  return ChronologicalKey(barTime) < ChronologicalKey(s.lastTime);
}

// Records the bar's date-time and measures its price against the ribbon.
inline TrendRevResult TrendRevBar(CTrendRevSym& s, const DateTime& barTime, float price,
                                  float widthFactor) {
  s.lastTime = barTime;
  return s.Measure(price, widthFactor);
}

}  // namespace vqm
