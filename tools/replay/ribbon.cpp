#include "ribbon.h"

#include <algorithm>
#include <cstdint>

namespace vqm::replay {

std::vector<int> RibbonLengths(int fast, int slow) {
  std::vector<int> lengths;
  if (fast < 1 || fast > slow) return lengths;
  const int64_t step = std::max<int64_t>(1, (int64_t{slow} - fast) / 11);
  for (int64_t length = fast; length <= slow && length <= 1000000 && lengths.size() < 1000;
       length += step)
    lengths.push_back(static_cast<int>(length));
  return lengths;
}

RibbonTracker::RibbonTracker(std::vector<int> lengths)
    : lengths_(std::move(lengths)), sums_(lengths_.size(), 0.0),
      ring_(lengths_.empty() ? 0 : static_cast<size_t>(lengths_.back())) {}

RibbonBounds RibbonTracker::Add(double close) {
  RibbonBounds b{0, 0};
  const size_t ring = ring_.size();
  const size_t at = ring > 0 ? count_ % ring : 0;  // where this close goes
  for (size_t k = 0; k < lengths_.size(); ++k) {
    const size_t len = static_cast<size_t>(lengths_[k]);
    sums_[k] += close;
    if (count_ >= len) sums_[k] -= ring_[at >= len ? at - len : at + ring - len];
    const double mean = sums_[k] / static_cast<double>(std::min(count_ + 1, len));
    b.low = k == 0 ? mean : std::min(b.low, mean);
    b.high = k == 0 ? mean : std::max(b.high, mean);
  }
  if (ring > 0) ring_[at] = close;
  ++count_;
  return b;
}

std::vector<RibbonBounds> ComputeRibbonBounds(const std::vector<Bar>& bars,
                                              const std::vector<int>& lengths) {
  std::vector<RibbonBounds> bounds;
  RibbonTracker tracker(lengths);
  if (tracker.empty()) return bounds;
  bounds.reserve(bars.size());
  for (const Bar& b : bars) bounds.push_back(tracker.Add(b.close));
  return bounds;
}

}  // namespace vqm::replay
