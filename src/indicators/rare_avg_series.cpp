#include "indicators/rare_avg_series.h"

#include "base/exceptions.h"

namespace vqm {
namespace {

// The columns start small and double when they fill.
constexpr int kFirstPointSlots = 16;

}  // namespace

CRareAvgSym::CRareAvgSym() = default;

CRareAvgSym::~CRareAvgSym() { Reset(); }

void CRareAvgSym::Reset() {
  changeAverage.Free();
  resultSmoother.Free();
  shortAverage.Free();
  shortWeightsFor_ = 0;
  // The columns are kept: a series that restarts every day refills them.
  lastDate = 0;
  lastIndex = -1;
}

void CRareAvgSym::AddPoint(int date, float value) {
  if (date < lastDate || lastDate <= 0) Reset();
  const int held = lastIndex + 1;
  // Both columns grow before anything changes, so a failure leaves the series as it was.
  if (held == capacity_) {
    const int wanted = held < kFirstPointSlots ? kFirstPointSlots : 2 * held;
    if (held >= (1 << 30) || !adjusted_.Grow(wanted) || !raw_.Grow(wanted))
      throw new CMemoryException;
    capacity_ = wanted;
  }
  adjusted_.at[held] = value;
  raw_.at[held] = value;
  lastIndex = held;
  lastDate = date;
}

void CRareAvgSym::RemoveNewest() {
  if (lastIndex >= 0) --lastIndex;
}

}  // namespace vqm
