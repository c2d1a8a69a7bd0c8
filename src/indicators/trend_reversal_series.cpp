#include "indicators/trend_reversal_series.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include <xmmintrin.h>

#include "averages/calc_stack.h"
#include "indicators/trend_reversal_runs.h"

namespace vqm {
namespace {

// Truncation toward zero by the processor's own conversion: INT_MIN for what does not fit.
int TruncateToInt(float f) { return _mm_cvtt_ss2si(_mm_set_ss(f)); }

// quotient x 25 - 100 in 32-bit arithmetic that wraps, as the processor's does.
int PositionOfQuotient(int quotient) {
  return static_cast<int>(static_cast<uint32_t>(quotient) * 25u - 100u);
}

}  // namespace

void CTrendRevSym::BuildRibbon() {
  // 64-bit lengths: no step or sum of lengths can overflow, whatever the script passes.
  const int64_t divisor = steps < 1 ? 10 : steps;
  const int64_t span = int64_t{slow} - fast;
  if (span < 0) return;
  const int64_t step = span < divisor ? 1 : span / divisor;
  const int64_t count = span / step + 1;
  std::vector<int> refusedLengths;
  for (int64_t i = 0; i < count; ++i) {
    const int length = static_cast<int>(fast + i * step);
    const uint32_t accepted = static_cast<uint32_t>(length);
    if (length < 1 || length > kMaxStackLength) {
      refusedLengths.push_back(length);
      continue;
    }
    if (count_ == kMaxAverages) throw std::bad_alloc();  // steps beyond what a series sets
    averages_[count_] = Average{accepted, accepted - 1, 0.0f};
    order_[count_] = static_cast<uint8_t>(count_ % kRunsTogether);
    ++count_;
  }
  // Lengths rise along the ribbon: the refused ones (0 or less, above the engine's limit)
  // come before or after all the others, and report their pushes first.
  if (!refusedLengths.empty()) {
    refused_.reset(new CCalcStack[refusedLengths.size()]);
    refusedCount_ = static_cast<int>(refusedLengths.size());
    for (size_t i = 0; i < refusedLengths.size(); ++i) refused_[i].Init(refusedLengths[i]);
  }
  if (count_ > 0) {
    span_ = averages_[count_ - 1].length;
    history_.reset(new float[2 * static_cast<size_t>(span_)]());
  }
}

TrendRevResult CTrendRevSym::Measure(float x, float factor) {
  TrendRevResult r;
  for (int i = 0; i < refusedCount_; ++i) refused_[static_cast<size_t>(i)].AddMA(x);
  if (count_ == 0) {
    r.status = -1;
    return r;
  }
  history_[head_] = x;
  history_[head_ + span_] = x;
  head_ = head_ + 1 == span_ ? 0 : head_ + 1;
  if (held_ < span_) ++held_;

  // The lowest and highest of the averages bound the ribbon. No average is ever -0 (a sum
  // that starts at +0 cannot become -0), so equal values are equal bits and the scan gives
  // what sorting them would.
  const int count = count_;
  // history_[head_ .. head_ + span_) holds the newest values, oldest first, and ends where
  // `window` points: ring L's older slots are the run from window[-L] on. Every ring reads
  // that one window, so a call touches its lines and no others.
  const float* window = history_.get() + head_ + span_;
  bool unordered = false;
  float lo = 0.0f, hi = 0.0f;
  for (int first = 0; first < count; first += kRunsTogether) {
    const int members = count - first < kRunsTogether ? count - first : kRunsTogether;
    FloatRun runs[kRunsTogether];
    for (int k = 0; k < members; ++k) {
      Average& a = averages_[first + k];
      // The ring's sum in slot order: its newer slots' sum, kept (the slot just written ends
      // it), then its older slots from the history, in order.
      if (++a.newest == a.length) a.newest = 0;
      a.newerSum = (a.newest == 0 ? 0.0f : a.newerSum) + x;
      const uint32_t held = held_ < a.length ? held_ : a.length;
      runs[k] = FloatRun{window - a.length, held - a.newest - 1, a.newerSum};
    }
    // Older runs shorten by one a bar, and a ring that wraps starts its longest: the order of
    // the last bar is nearly this bar's.
    uint8_t* order = order_ + first;
    uint64_t key[kRunsTogether] = {};
    for (int j = 0; j < members; ++j) key[j] = RunKey(runs[order[j]], order[j]);
    OrderRunKeys(key, members);
    for (int j = 0; j < members; ++j) order[j] = static_cast<uint8_t>(key[j] & 0xff);
    AddRuns(runs, key);
    for (int k = 0; k < members; ++k) {
      const Average& a = averages_[first + k];
      const uint32_t held = held_ < a.length ? held_ : a.length;
      const float v = runs[k].sum / static_cast<float>(held);
      if (std::isnan(v)) unordered = true;
      if (first + k == 0) {
        lo = hi = v;
      } else {
        if (v < lo) lo = v;
        if (v > hi) hi = v;
      }
    }
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
