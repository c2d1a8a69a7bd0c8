#include "indicators/rare_avg_series.h"

#include <algorithm>
#include <new>

#include "base/exceptions.h"

namespace vqm {
namespace {

// The point list starts small; its growth step follows the points held, so the slot block
// doubles when it fills.
constexpr int kFirstPointSlots = 16;

}  // namespace

CRareAvgSym::CRareAvgSym() { points.SetGrowth(kFirstPointSlots, kFirstPointSlots); }

CRareAvgSym::~CRareAvgSym() { Reset(); }

void CRareAvgSym::Reset() {
  pointStore_.clear();  // its storage is kept for the next day's points
  changeAverage.Free();
  resultSmoother.Free();
  shortAverage.Free();
  shortWeightsFor_ = 0;
  // The slot block is kept: a series that restarts every day refills it.
  points.RemoveAt(0, points.GetSize());
  lastDate = 0;
  lastIndex = -1;
}

void CRareAvgSym::AddPoint(int date, int time, float value) {
  if (date < lastDate || lastDate <= 0) Reset();
  const int held = points.GetSize();
  points.SetGrowth(0, held > kFirstPointSlots ? held : kFirstPointSlots);
  // Both lists grow before anything changes, so a failure leaves the series as it was.
  if (points.Reserve(held + 1) < 0) throw new CMemoryException;
  const CRareAvgPoint* before = pointStore_.data();
  try {
    if (pointStore_.capacity() == pointStore_.size())
      pointStore_.reserve(std::max<size_t>(kFirstPointSlots, 2 * pointStore_.size()));
  } catch (const std::bad_alloc&) {
    throw new CMemoryException;
  }
  pointStore_.push_back(CRareAvgPoint{value, value, value, date, time});
  if (pointStore_.data() != before)
    for (int i = 0; i < held; ++i) points.SetAtGrow(i, &pointStore_[static_cast<size_t>(i)]);
  points.Add(&pointStore_.back());
  lastIndex = points.GetSize() - 1;
  lastDate = date;
}

void CRareAvgSym::RemoveNewest() {
  const int held = points.GetSize();
  if (held == 0) return;
  pointStore_.pop_back();
  points.RemoveAt(held - 1, 1);
  lastIndex = held - 2;
}

}  // namespace vqm
