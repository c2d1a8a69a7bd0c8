#include "ribbon.h"

#include <algorithm>
#include <cstdint>

namespace vqm::replay {

std::vector<int> RibbonLengths(int fast, int slow) {
  std::vector<int> lengths;
  if (fast < 1 || fast > slow) return lengths;
  const int64_t step = std::max<int64_t>(1, (int64_t{slow} - fast) / 11);
  for (int64_t length = fast; length <= slow && lengths.size() < 1000; length += step)
    lengths.push_back(static_cast<int>(length));
  return lengths;
}

std::vector<RibbonBounds> ComputeRibbonBounds(const std::vector<Bar>& bars,
                                              const std::vector<int>& lengths) {
  std::vector<RibbonBounds> bounds;
  if (lengths.empty()) return bounds;
  bounds.reserve(bars.size());
  std::vector<double> sums(lengths.size(), 0.0);
  for (size_t i = 0; i < bars.size(); ++i) {
    RibbonBounds b{0, 0};
    for (size_t k = 0; k < lengths.size(); ++k) {
      const size_t len = static_cast<size_t>(lengths[k]);
      sums[k] += bars[i].close;
      if (i >= len) sums[k] -= bars[i - len].close;
      const double mean = sums[k] / static_cast<double>(std::min(i + 1, len));
      b.low = k == 0 ? mean : std::min(b.low, mean);
      b.high = k == 0 ? mean : std::max(b.high, mean);
    }
    bounds.push_back(b);
  }
  return bounds;
}

}  // namespace vqm::replay
