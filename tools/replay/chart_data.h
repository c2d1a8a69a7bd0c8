// What the chart draws, gathered bar by bar in a fixed amount of memory: consecutive bars
// are pooled into columns (a bar each while they are few), and when the columns reach twice
// the chart's width in pixels, neighbours merge, so that a column keeps the open, high, low
// and close of its bars and the lowest and highest value of every series over them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bars.h"

namespace vqm::replay {

enum Series {
  kAverage,        // VQM_RareAvg
  kRibbonLow,      // the ribbon's bounds (ribbon.h)
  kRibbonHigh,
  kPosition,       // VQM_TrendReversal position
  kRibbonWidth,    // and the ribbon's width
  kPressure,       // VQM_BSPCalc
  kFallBelowLow,   // VQM_FindGemCalc's four excursions
  kRiseAboveLow,
  kRiseAboveHigh,
  kFallBelowHigh,
  kSeriesCount
};

// The lowest, highest and mean value of a series over a column's bars.
struct Range {
  float lo = INFINITY, hi = -INFINITY;
  double sum = 0;
  uint32_t count = 0;
  bool empty() const { return count == 0; }
  double mean() const { return sum / count; }
  void Add(float v) {
    if (std::isnan(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    sum += v;
    ++count;
  }
  void Add(const Range& r) {
    lo = std::min(lo, r.lo);
    hi = std::max(hi, r.hi);
    sum += r.sum;
    count += r.count;
  }
};

struct Column {
  int date = 0, time = 0;  // host date and time of the first bar
  bool dayStart = false;   // a day starts at the column's first bar (or the chart does)
  uint32_t bars = 0;
  double open = 0, high = 0, low = 0, close = 0;
  Range series[kSeriesCount];
  void Merge(const Column& next);
};

class ChartData {
 public:
  explicit ChartData(size_t width) : width_(width) { columns_.reserve(2 * width); }
  // One bar, with its series values (NaN where there is none).
  void Add(const Bar& bar, const float (&values)[kSeriesCount]);
  const std::vector<Column>& columns() const { return columns_; }
  size_t bars() const { return bars_; }
  size_t width() const { return width_; }
  // The first and last bar's date and time (nothing else of them is kept).
  const Bar& first() const { return first_; }
  const Bar& last() const { return last_; }

 private:
  size_t width_;
  size_t perColumn_ = 1;  // bars a column takes before the next one starts
  size_t bars_ = 0;
  std::vector<Column> columns_;
  Bar first_, last_;
};

}  // namespace vqm::replay
