// The bar as the integer-price exports receive it: open, high, low and close times the
// divisor, rounded, and the volume.
#pragma once

#include "runner.h"

namespace vqm::replay {

struct IntPrices {
  int open = 0, high = 0, low = 0, close = 0, volume = 0;
};

// False when a scaled price does not fit in an int.
inline bool ToIntPrices(const Bar& bar, int divisor, IntPrices* out) {
  out->volume = bar.volume;
  return ScaledPrice(bar.open, divisor, &out->open) && ScaledPrice(bar.high, divisor, &out->high) &&
         ScaledPrice(bar.low, divisor, &out->low) && ScaledPrice(bar.close, divisor, &out->close);
}

// Checks every bar of the chart, so that a run never passes a wrapped price.
inline bool ChartFitsDivisor(const RunContext& c, std::string* why) {
  IntPrices p;
  for (const Bar& bar : c.chart->bars) {
    if (!ToIntPrices(bar, c.divisor, &p)) {
      *why = "prices on line " + std::to_string(bar.line) + " times the divisor " +
             std::to_string(c.divisor) + " do not fit in an int";
      return false;
    }
  }
  return true;
}

}  // namespace vqm::replay
