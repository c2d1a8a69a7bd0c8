#include "indicators/rare_avg_series.h"

#include "base/exceptions.h"
#include "base/prefetch.h"

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

void CRareAvgSym::AddPointWithRestartOrRoom(int date, float value) {
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

namespace {

// The lines of n floats from p, n at least 1: the first few and the last (the hardware
// follows longer runs once started). The first and last are asked for straight away: the
// usual ring or window ends within its first line or two, and then no loop turns.
[[gnu::always_inline]] inline void PrefetchFloats(const float* p, int n) {
  constexpr int kPerLine = 64 / sizeof(float);
  constexpr int kMostLines = 4;
  const int last = n - 1;
  Prefetch(p);
  Prefetch(p + last);
  const int end = last < kMostLines * kPerLine ? last : kMostLines * kPerLine;
  for (int i = kPerLine; i < end; i += kPerLine) Prefetch(p + i);
}

// A stack's ring and the weight factors a weighted push reads. A stack holds its ring only
// with a length of 1 or more, and its weights only beside a ring.
[[gnu::always_inline]] inline void PrefetchStack(const CCalcStack& stack, bool weightsRead) {
  if (stack.items == nullptr) return;
  PrefetchFloats(stack.items, stack.length);
  if (weightsRead && stack.weights != nullptr)
    PrefetchFloats(stack.weights + stack.length, stack.length);
}

}  // namespace

void CRareAvgSym::PrefetchForCall() const {
  // The next call's fits end at the newest point now held.
  if (ShortAverageRead(lastIndex, WarmUpPoints())) PrefetchStack(shortAverage, true);
  PrefetchStack(changeAverage, false);
  PrefetchStack(resultSmoother, true);
  const int next = lastIndex + 1;  // where the call's point goes
  if (next < capacity_) {
    Prefetch(raw_.at + next);
    Prefetch(adjusted_.at + next);
    if (next > 0) Prefetch(raw_.at + next - 1);
  }
  // The fits' window ends at the point before the new one. The length is the script's, any
  // int: the window's start is found in 64 bits.
  const long long first = static_cast<long long>(next) - 1 - regrLength;
  const int from = first < 0 ? 0 : first > next - 1 ? next - 1 : static_cast<int>(first);
  if (next - 1 > from) PrefetchFloats(adjusted_.at + from, next - 1 - from);
}

void CRareAvgSym::RemoveNewest() {
  if (lastIndex >= 0) --lastIndex;
}

}  // namespace vqm
