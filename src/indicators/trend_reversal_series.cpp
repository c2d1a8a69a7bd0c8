#include "indicators/trend_reversal_series.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include <xmmintrin.h>

#include "averages/calc_stack.h"

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

CTrendRevSym::~CTrendRevSym() { ribbon.RemoveAll(); }

void CTrendRevSym::BuildRibbon() {
  // 64-bit lengths: no step or sum of lengths can overflow, whatever the script passes.
  const int64_t divisor = steps < 1 ? 10 : steps;
  const int64_t span = int64_t{slow} - fast;
  if (span < 0) return;
  const int64_t step = span < divisor ? 1 : span / divisor;
  // Fewer than 2 x steps + 1 averages: the slot block is sized to fit them exactly, and the
  // averages lie side by side in one block, which every bar walks.
  const int count = static_cast<int>(span / step + 1);
  ribbon.SetGrowth(count, -1);
  averages_.reset(new CCalcStack[static_cast<size_t>(count)]);
  for (int i = 0; i < count; ++i) {
    CCalcStack* average = &averages_[static_cast<size_t>(i)];
    average->Init(static_cast<int>(fast + i * step));
    if (ribbon.Add(average) < 0) throw std::bad_alloc();
  }
  BuildLanes();
}

void CTrendRevSym::BuildLanes() {
  // Averages are grouped in ribbon order; an uninitialised one takes no lane. Very long
  // ribbons keep summing their own rings rather than double their memory.
  constexpr size_t kMaxLaneFloats = size_t{1} << 20;
  size_t floats = 0;
  std::vector<LaneGroup> groups;
  for (int i = 0; i < ribbon.GetSize(); ++i) {
    const CCalcStack* average = AverageAt(ribbon, i);
    if (average->items == nullptr) continue;
    if (groups.empty() || groups.back().members == 4) {
      // A group holds consecutive initialised averages only.
      groups.push_back(LaneGroup{0, 0, 0, i});
    } else if (AverageAt(ribbon, i - 1)->items == nullptr) {
      groups.push_back(LaneGroup{0, 0, 0, i});
    }
    LaneGroup& g = groups.back();
    ++g.members;
    if (static_cast<int>(average->capacity) > g.depth) g.depth = static_cast<int>(average->capacity);
  }
  for (LaneGroup& g : groups) {
    g.base = floats / 4;
    floats += 4 * static_cast<size_t>(g.depth);
    if (floats > kMaxLaneFloats) return;
  }
  lanes_.assign(floats / 4, LaneSlot{});
  laneGroups_.swap(groups);
}

void CTrendRevSym::AddToLanes(float x) {
  for (const LaneGroup& g : laneGroups_) {
    LaneSlot* slots = &lanes_[g.base];
    for (int k = 0; k < g.members; ++k) {
      CCalcStack* average = AverageAt(ribbon, g.first + k);
      average->AdvanceMA(x);  // the lanes hold the ring's values
      slots[average->writePos - 1].lane[k] = x;
    }
    // One accumulator, slots in order: unrolled, not reassociated.
    __m128 sum = _mm_setzero_ps();
    int t = 0;
    for (; t + 4 <= g.depth; t += 4) {
      sum = _mm_add_ps(sum, _mm_load_ps(slots[t].lane));
      sum = _mm_add_ps(sum, _mm_load_ps(slots[t + 1].lane));
      sum = _mm_add_ps(sum, _mm_load_ps(slots[t + 2].lane));
      sum = _mm_add_ps(sum, _mm_load_ps(slots[t + 3].lane));
    }
    for (; t < g.depth; ++t) sum = _mm_add_ps(sum, _mm_load_ps(slots[t].lane));
    float sums[4];
    _mm_storeu_ps(sums, sum);
    for (int k = 0; k < g.members; ++k) {
      CCalcStack* average = AverageAt(ribbon, g.first + k);
      average->value = sums[k] / static_cast<float>(average->filled);
    }
  }
}

TrendRevResult CTrendRevSym::Measure(float x, float factor) {
  TrendRevResult r;
  if (!laneGroups_.empty()) AddToLanes(x);
  // The lowest and highest of the averages bound the ribbon. No average is ever -0 (a sum
  // that starts at +0 cannot become -0), so equal values are equal bits and the scan gives
  // what sorting them would.
  int initialised = 0;
  bool unordered = false;
  float lo = 0.0f, hi = 0.0f;
  for (int i = 0; i < ribbon.GetSize(); ++i) {
    CCalcStack* average = AverageAt(ribbon, i);
    // An uninitialised average still reports the refused push.
    if (laneGroups_.empty() || average->items == nullptr ? average->AddMA(x) != 1 : false) continue;
    const float v = average->value;
    if (std::isnan(v)) unordered = true;
    if (initialised++ == 0) {
      lo = hi = v;
    } else {
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
  }
  if (initialised == 0) {
    r.status = -1;
    return r;
  }
  if (unordered) return r;
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
