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

// The ribbon's lengths; lengths the library's averages refuse (above 1000000) are left out.
std::vector<int> RibbonLengths(int fast, int slow);

struct RibbonBounds {
  double low;
  double high;
};

// The bounds bar by bar, holding the last closes of the longest length only.
class RibbonTracker {
 public:
  explicit RibbonTracker(std::vector<int> lengths);
  bool empty() const { return lengths_.empty(); }
  RibbonBounds Add(double close);

 private:
  std::vector<int> lengths_;
  std::vector<double> sums_;
  std::vector<double> ring_;  // the last closes, as many as the longest length
  size_t count_ = 0;
};

// One entry per bar; empty when there are no lengths.
std::vector<RibbonBounds> ComputeRibbonBounds(const std::vector<Bar>& bars,
                                              const std::vector<int>& lengths);

}  // namespace vqm::replay
