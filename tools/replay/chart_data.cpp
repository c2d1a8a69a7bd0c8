#include "chart_data.h"

#include <algorithm>

namespace vqm::replay {

void Column::Merge(const Column& next) {
  dayStart = dayStart || next.dayStart;
  bars += next.bars;
  high = std::max(high, next.high);
  low = std::min(low, next.low);
  close = next.close;
  for (int s = 0; s < kSeriesCount; ++s) series[s].Add(next.series[s]);
}

void ChartData::Add(const Bar& bar, const float (&values)[kSeriesCount]) {
  const bool dayStart = bars_ == 0 || bar.hostDate != last_.hostDate;
  // Only the date and time of the first and last bar are kept (for the title).
  if (bars_ == 0) {
    first_.hostDate = bar.hostDate;
    first_.hostTime = bar.hostTime;
  }
  last_.hostDate = bar.hostDate;
  last_.hostTime = bar.hostTime;
  ++bars_;
  if (!columns_.empty() && columns_.back().bars < perColumn_) {
    // Pooled into the last column, as Merge would pool a column of this one bar.
    Column& c = columns_.back();
    c.dayStart = c.dayStart || dayStart;
    ++c.bars;
    c.high = std::max(c.high, bar.high);
    c.low = std::min(c.low, bar.low);
    c.close = bar.close;
    for (int s = 0; s < kSeriesCount; ++s) c.series[s].Add(values[s]);
    return;
  }
  if (columns_.size() == 2 * width_) {
    // Full: pairs merge into one, and columns take twice the bars from now on.
    for (size_t i = 0; i < width_; ++i) {
      columns_[i] = columns_[2 * i];
      columns_[i].Merge(columns_[2 * i + 1]);
    }
    columns_.resize(width_);
    perColumn_ *= 2;
  }
  Column c;
  c.date = bar.hostDate;
  c.time = bar.hostTime;
  c.dayStart = dayStart;
  c.bars = 1;
  c.open = bar.open;
  c.high = bar.high;
  c.low = bar.low;
  c.close = bar.close;
  for (int s = 0; s < kSeriesCount; ++s) c.series[s].Add(values[s]);
  columns_.push_back(c);
}

}  // namespace vqm::replay
