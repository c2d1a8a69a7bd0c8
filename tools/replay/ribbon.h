// The bounds of the trend-reversal ribbon, for the chart. VQM_TrendReversal returns only
// the price's position in the ribbon and the ribbon's relative width, from which the bounds
// cannot be recovered exactly; so the chart draws bounds that the replay computes itself:
// simple averages of the close with the ribbon's lengths (fast, fast + step, ... up to slow,
// step = (slow - fast) / 11, at least 1), each the mean of the closes it holds so far, and
// their lowest and highest value per bar. Double precision: a picture, not a reference.
#pragma once

#include <vector>

#include "bars.h"

namespace vqm::replay {

std::vector<int> RibbonLengths(int fast, int slow);

struct RibbonBounds {
  double low;
  double high;
};

// One entry per bar; empty when there are no lengths.
std::vector<RibbonBounds> ComputeRibbonBounds(const std::vector<Bar>& bars,
                                              const std::vector<int>& lengths);

}  // namespace vqm::replay
