// The bar as the integer-price exports receive it: open, high, low and close times the
// divisor, rounded, and the volume.
#pragma once

#include <string>

#include "runner.h"

namespace vqm::replay {

struct IntPrices {
  int open = 0, high = 0, low = 0, close = 0, volume = 0;
};

// False when a scaled price does not fit in an int: the call is not made, so that a run
// never passes a wrapped price.
inline bool ToIntPrices(const Bar& bar, int divisor, IntPrices* out) {
  out->volume = bar.volume;
  return ScaledPrice(bar.open, divisor, &out->open) && ScaledPrice(bar.high, divisor, &out->high) &&
         ScaledPrice(bar.low, divisor, &out->low) && ScaledPrice(bar.close, divisor, &out->close);
}

inline std::string PriceTooLarge(const Bar& bar, int divisor) {
  return "the prices on line " + std::to_string(bar.line) + " times the divisor " +
         std::to_string(divisor) + " do not fit in an int (see --divisor)";
}

}  // namespace vqm::replay
