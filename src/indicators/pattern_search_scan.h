// The measurement of the pattern-search history, inline: the calc export's usual call then
// compiles into one frame, the bar time and the excursions kept in registers throughout.
// Included by the history and by the calc export only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/sse2.h"
#include "indicators/pattern_search_history.h"

namespace vqm {

// The bar after the one found last is compared first, its six bytes at once: a chart
// measures bar after bar, a series the bar it just added.
[[gnu::always_inline]] inline int CFindGemDB::FindInline(uint64_t timeBytes) const {
  const int count = points.GetSize();
  if (count == 0) return -1;
  if (!ascending_) {
    DateTime time;
    StorePackedBytes(time, timeBytes);
    return FindUnordered(time);
  }
  // Strictly ascending: an equal bar is the only one, wherever the search finds it.
  const int hint = lastFound_ + 1 < count ? lastFound_ + 1 : count - 1;
  if (PackedBytes(points.GetData()[hint]->time) == timeBytes) return lastFound_ = hint;
  return FindFromHint(ChronologicalKeyOfBytes(timeBytes), hint);
}

namespace detail {

// The scan of Measure for one way of counting over n bars side by side, all four excursions
// for every bar; false when a bar of another day ended it. Whether the day bounds the scan is
// a template argument, so that the loop tests it only where it does. Inline: the excursions
// then stay in registers from block to block, where stores read back as wider loads stall.
#if defined(VQM_SSE2)
// A bar's four excursions are the four lanes of a vector (rise above the low and the high,
// fall below the low and the high), each lane doing that excursion's operations. A fall is
// taken as the reference minus the price, where the formula negates the price minus the
// reference: the two differ only in the sign of a zero, and units of ten-thousandths keep
// that so (a product and a quotient change sign with a factor). The highest of each is kept
// twice over, for the even and the odd bars, and the two taken together at the end, so that
// one bar's raise need not wait for the one before. That keeps every bit: a raise keeps the
// larger of two values and the first of two equal ones; a NaN never raises anything, and
// nor does a zero of either sign (the highest start at +0 and only grow), so the highest of
// a set of values is the same value whatever the order it is taken in.
template <bool kBasisPoints, bool kSameDay, typename Bar>
[[gnu::always_inline]] inline bool ScanExcursions(const Bar* bars, int n, int refDay,
                                                  float refLow, float refHigh,
                                                  FindGemExcursions* e) {
  static_assert(offsetof(Bar, low) == offsetof(Bar, high) + sizeof(float), "high, then low");
  const __m128 lowHigh = _mm_set_ps(refHigh, refLow, refHigh, refLow);
  const auto excursions = [&](const Bar& q) {
    double pair;  // the bar's high and low, in one load
    std::memcpy(&pair, &q.high, sizeof pair);
    const __m128 highLow = _mm_castpd_ps(_mm_set_sd(pair));
    // high - low ref, high - high ref, low ref - low, high ref - low
    const __m128 d = _mm_sub_ps(_mm_shuffle_ps(highLow, lowHigh, _MM_SHUFFLE(1, 0, 0, 0)),
                                _mm_shuffle_ps(lowHigh, highLow, _MM_SHUFFLE(1, 1, 1, 0)));
    return kBasisPoints ? _mm_div_ps(_mm_mul_ps(d, _mm_set1_ps(10000.0f)), lowHigh) : d;
  };
  __m128 even =
      _mm_set_ps(e->fallBelowHigh, e->fallBelowLow, e->riseAboveHigh, e->riseAboveLow);
  __m128 odd = _mm_setzero_ps();
  // Raises best by the bar's excursions: the first where it is larger, else the second.
  const auto raise = [&](const Bar& q, __m128& best) { best = _mm_max_ps(excursions(q), best); };
  const auto otherDay = [&](const Bar& q) { return kSameDay && q.day != refDay; };
  // A test per bar and one jump back per pair, as plain as the loop can be written.
  bool goOn = true;
  int j = 0;
  for (; j + 1 < n; j += 2) {
    if (otherDay(bars[j])) {
      goOn = false;
      break;
    }
    raise(bars[j], even);
    if (otherDay(bars[j + 1])) {
      goOn = false;
      break;
    }
    raise(bars[j + 1], odd);
  }
  if (goOn && j < n) {
    goOn = !otherDay(bars[j]);
    if (goOn) raise(bars[j], even);
  }
  float best[4];
  _mm_storeu_ps(best, _mm_max_ps(odd, even));
  e->riseAboveLow = best[0];
  e->riseAboveHigh = best[1];
  e->fallBelowLow = best[2];
  e->fallBelowHigh = best[3];
  return goOn;
}
#else
// Raises best to x when x is larger. best starts at +0 and only grows, so "x > 0 and
// x > best" is the same test.
inline void Raise(float x, float* best) { *best = x > *best ? x : *best; }

template <bool kBasisPoints, bool kSameDay, typename Bar>
[[gnu::always_inline]] inline bool ScanExcursions(const Bar* bars, int n, int refDay,
                                                  float refLow, float refHigh,
                                                  FindGemExcursions* e) {
  const auto units = [](float difference, float reference) {
    return kBasisPoints ? difference * 10000.0f / reference : difference;
  };
  float riseAboveLow = e->riseAboveLow, fallBelowLow = e->fallBelowLow;
  float fallBelowHigh = e->fallBelowHigh, riseAboveHigh = e->riseAboveHigh;
  bool goOn = true;
  for (int j = 0; j < n; ++j) {
    const Bar& q = bars[j];
    if (kSameDay && q.day != refDay) {
      goOn = false;
      break;
    }
    Raise(units(q.high - refLow, refLow), &riseAboveLow);
    Raise(-units(q.low - refLow, refLow), &fallBelowLow);
    Raise(units(refHigh - q.low, refHigh), &fallBelowHigh);
    Raise(-units(refHigh - q.high, refHigh), &riseAboveHigh);
  }
  e->riseAboveLow = riseAboveLow;
  e->fallBelowLow = fallBelowLow;
  e->fallBelowHigh = fallBelowHigh;
  e->riseAboveHigh = riseAboveHigh;
  return goOn;
}
#endif

}  // namespace detail

// The scan of Measure over the n bars after the reference bar p, for one way of counting:
// the first m of them at bars, the rest from the start of block `block` on, block by block.
template <bool kBasisPoints, bool kSameDay>
[[gnu::always_inline]] inline void CFindGemDB::ScanRange(const ScanBar& p, const ScanBar* bars,
                                                         int m, size_t block, int n,
                                                         FindGemExcursions* x) const {
  for (;;) {
    if (m > 0 && !detail::ScanExcursions<kBasisPoints, kSameDay>(bars, m, p.day, p.low, p.high, x))
      return;
    n -= m;
    if (n <= 0) return;
    bars = blocks_[block].scan.get();
    const int inBlock = static_cast<int>(BlockBars(block));
    m = n < inBlock ? n : inBlock;
    ++block;
  }
}

// REQUIRES: 0 <= reference < GetCount().
[[gnu::always_inline]] inline FindGemExcursions CFindGemDB::MeasureFrom(int reference) const {
  FindGemExcursions e;
  // The reference bar, the bars after it in its block (room) and the block after that. The
  // newest bar's block is at hand, and in it a measurement of the newest bar mostly starts.
  const ScanBar* p;
  int room;
  size_t next;
  if (reference >= tail_.first) {
    p = &tail_.scan[reference - tail_.first];
    room = tail_.end - reference - 1;
    next = 0;  // not reached: the newest bar is in the block
  } else {
    int slot = 0;
    const size_t block = BlockOfBar(reference, &slot);
    p = &blocks_[block].scan[static_cast<size_t>(slot)];
    room = static_cast<int>(BlockBars(block)) - slot - 1;
    next = block + 1;
  }
  const int64_t last = int64_t{reference} + scope + 1;
  const int n = (last < GetCount() ? static_cast<int>(last) : GetCount()) - reference - 1;
  const int m = n < room ? n : room;
  // Every bar up to the count is there: none is skipped. The excursions of a reference price
  // of 0 or less are dropped at the end, as if never taken.
  FindGemExcursions x;
  if (inBasisPoints == 1) {
    if (sameDay == 1)
      ScanRange<true, true>(*p, p + 1, m, next, n, &x);
    else
      ScanRange<true, false>(*p, p + 1, m, next, n, &x);
  } else {
    if (sameDay == 1)
      ScanRange<false, true>(*p, p + 1, m, next, n, &x);
    else
      ScanRange<false, false>(*p, p + 1, m, next, n, &x);
  }
  if (p->low > 0.0f) {
    e.riseAboveLow = x.riseAboveLow;
    e.fallBelowLow = x.fallBelowLow;
  }
  if (p->high > 0.0f) {
    e.fallBelowHigh = x.fallBelowHigh;
    e.riseAboveHigh = x.riseAboveHigh;
  }
  e.status = scope;
  return e;
}

[[gnu::always_inline]] inline int CFindGemDB::MeasureAtBytes(uint64_t timeBytes,
                                                             float* const (&out)[4]) const {
  const int found = FindInline(timeBytes);
  const int reference = found - scope;
  const FindGemExcursions e = reference < 0 ? FindGemExcursions{} : MeasureFrom(reference);
  *out[0] = e.fallBelowLow;
  *out[1] = e.riseAboveLow;
  *out[2] = e.riseAboveHigh;
  *out[3] = e.fallBelowHigh;
  return e.status;
}

}  // namespace vqm
