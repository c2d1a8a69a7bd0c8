#include "indicators/trend_reversal_series.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "averages/calc_stack.h"
#include "base/lock_rule.h"

namespace vqm {
namespace {

// Truncation toward zero with the x86 answer for what does not fit: INT_MIN.
int TruncateToInt(float f) {
  if (std::isnan(f) || f >= 2147483648.0f || f < -2147483648.0f) return INT_MIN;
  return static_cast<int>(f);
}

// quotient x 25 - 100 in 32-bit arithmetic that wraps, as the processor's does.
int PositionOfQuotient(int quotient) {
  return static_cast<int>(static_cast<uint32_t>(quotient) * 25u - 100u);
}

CCalcStack* AverageAt(const SPlainPtrArray& ribbon, int i) {
  return static_cast<CCalcStack*>(ribbon.GetAt(i));
}

}  // namespace

CTrendRevSym::~CTrendRevSym() {
  for (int i = 0; i < ribbon.GetSize(); ++i) delete AverageAt(ribbon, i);
  ribbon.RemoveAll();
}

void CTrendRevSym::BuildRibbon() {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // 64-bit lengths: no step or sum of lengths can overflow, whatever the script passes.
  const int64_t divisor = steps < 1 ? 10 : steps;
  const int64_t span = int64_t{slow} - fast;
  if (span < 0) return;
  const int64_t step = span < divisor ? 1 : span / divisor;
  // Fewer than 2 x steps + 1 averages: the slot block is sized to fit them exactly.
  ribbon.SetGrowth(static_cast<int>(span / step + 1), -1);
  for (int64_t length = fast; length <= slow; length += step) {
    std::unique_ptr<CCalcStack> average(new CCalcStack);
    average->Init(static_cast<int>(length));
    if (ribbon.Add(average.get()) < 0) throw std::bad_alloc();
    average.release();
  }
}

TrendRevResult CTrendRevSym::Measure(float x, float factor, SFltArray& values) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  TrendRevResult r;
  values.RemoveAt(0, values.GetSize());
  bool unordered = false;
  for (int i = 0; i < ribbon.GetSize(); ++i) {
    CCalcStack* average = AverageAt(ribbon, i);
    if (average->AddMA(x) != 1) continue;
    if (values.AddFlt(average->value) < 0) throw std::bad_alloc();
    if (std::isnan(average->value)) unordered = true;
  }
  if (values.GetSize() == 0) {
    r.status = -1;
    return r;
  }
  if (unordered) return r;
  values.SortFlt();
  const float lo = values.GetFltAt(0);
  const float hi = values.GetFltAt(values.GetSize() - 1);
  const float w = hi - lo;
  if (!(w > 0.0f)) return r;

  r.width = factor * 10000.0f * w / lo;
  if (lo > x) {
    r.status = 1;
    r.position = -100.0f;
  } else if (x > hi) {
    r.status = 2;
    r.position = 100.0f;
  } else {
    const float quotient = (x - lo) * 200.0f / w / 25.0f;
    r.position = static_cast<float>(PositionOfQuotient(TruncateToInt(quotient)));
  }
  return r;
}

}  // namespace vqm
