#include "indicators/trend_reversal_series.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include <emmintrin.h>

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

// The lowest and highest of the means so far, four lanes each, and whether one was NaN.
struct MeanBounds {
  __m128 lows = _mm_set1_ps(HUGE_VALF);
  __m128 highs = _mm_set1_ps(-HUGE_VALF);
  int unordered = 0;
};

// The means of a group's places 4Q .. 4Q + 3, four at a time (a division per lane is the
// scalar division): the sum of each place over the values its ring holds (`held`, by run).
// The runs end together, so their sums come together and are divided a vector at a time;
// places past `members` take no part.
template <int Q>
[[gnu::always_inline]] inline void BoundQuad(const RunSums& total, const uint8_t* at,
                                             const float* held, int members, MeanBounds& b) {
  constexpr int k = 4 * Q;
  if (k >= members) return;
  const __m128 sums = _mm_setr_ps(total[k], total[k + 1], total[k + 2], total[k + 3]);
  const __m128 counts =
      _mm_setr_ps(held[at[k]], held[at[k + 1]], held[at[k + 2]], held[at[k + 3]]);
  const __m128 means = _mm_div_ps(sums, counts);
  if (members - k >= 4) {  // every place an average's: nothing to leave out
    b.unordered |= _mm_movemask_ps(_mm_cmpunord_ps(means, means));
    b.lows = _mm_min_ps(b.lows, means);
    b.highs = _mm_max_ps(b.highs, means);
    return;
  }
  const __m128 part = _mm_castsi128_ps(
      _mm_cmpgt_epi32(_mm_set1_epi32(members - k), _mm_setr_epi32(0, 1, 2, 3)));
  b.unordered |= _mm_movemask_ps(_mm_and_ps(_mm_cmpunord_ps(means, means), part));
  b.lows = _mm_min_ps(b.lows, _mm_or_ps(_mm_and_ps(part, means),
                                        _mm_andnot_ps(part, _mm_set1_ps(HUGE_VALF))));
  b.highs = _mm_max_ps(b.highs, _mm_or_ps(_mm_and_ps(part, means),
                                          _mm_andnot_ps(part, _mm_set1_ps(-HUGE_VALF))));
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
    AverageQuad& q = averages_[count_ / 4];
    q.length[count_ % 4] = accepted;
    q.newest[count_ % 4] = accepted - 1;
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
  // The places past the last average: length 1, so their pushes stay harmless, and in a
  // group's order they name the spare run.
  for (int k = count_; k < kMaxAverages; ++k) {
    averages_[k / 4].length[k % 4] = 1;
    order_[k] = kNoRun;
  }
  if (count_ > 0) {
    span_ = averages_[(count_ - 1) / 4].length[(count_ - 1) % 4];
    history_.reset(new float[2 * static_cast<size_t>(span_)]());
  }
}

void CTrendRevSym::Measure(float x, float factor, TrendRevResult& r) {
  r = TrendRevResult();
  for (int i = 0; i < refusedCount_; ++i) refused_[static_cast<size_t>(i)].AddMA(x);
  if (count_ == 0) {
    r.status = -1;
    return;
  }
  history_[head_] = x;
  history_[head_ + span_] = x;
  head_ = head_ + 1 == span_ ? 0 : head_ + 1;
  if (held_ < span_) ++held_;

  // history_[head_ .. head_ + span_) holds the newest values, oldest first, and ends where
  // `window` points: ring L's older slots are the run from window[-L] on. Every ring reads
  // that one window, so a call touches its lines and no others.
  const float* window = history_.get() + head_ + span_;
  const __m128 xs = _mm_set1_ps(x);
  const __m128i heldNow = _mm_set1_epi32(static_cast<int>(held_));
  const __m128i one = _mm_set1_epi32(1);
  // The lowest and highest of the averages bound the ribbon. No average is ever -0 (a sum
  // that starts at +0 cannot become -0), so equal values are equal bits and the lowest and
  // highest do not depend on the order they are looked for in.
  MeanBounds bounds;
  // One group of up to twelve averages from `first` on; a ribbon of twelve, the usual one,
  // is one full group, whose counts the compiler then knows.
  const auto measureGroup = [&](int first, auto fullGroup) {
    constexpr bool kFull = decltype(fullGroup)::value;
    const int members =
        kFull ? kRunsTogether : count_ - first < kRunsTogether ? count_ - first : kRunsTogether;
    const int quads = (members + 3) / 4;
    // Four to a vector, and the spare run's place past the twelve.
    alignas(16) float sums[kRunsTogether + 4];
    alignas(16) uint32_t older[kRunsTogether + 4];
    alignas(16) float held[kRunsTogether + 4];
    alignas(16) int32_t ends[kRunsTogether + 4];  // where each older run ends, from `window`
    // The spare run: no terms, and a mean of 0 / 1 that no bound takes.
    older[kRunsTogether] = 0;
    ends[kRunsTogether] = 0;
    sums[kRunsTogether] = 0.0f;
    held[kRunsTogether] = 1.0f;
    int wrapped = 0;  // one bit per average of the group whose ring wraps at this push
    for (int b = 0; b < quads; ++b) {
      AverageQuad& q = averages_[first / 4 + b];
      // The ring's sum in slot order: its newer slots' sum, kept (the slot just written ends
      // it; a ring that wraps starts again from +0), then its older slots from the history.
      const __m128i length = _mm_load_si128(reinterpret_cast<const __m128i*>(q.length));
      const __m128i next =
          _mm_add_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(q.newest)), one);
      const __m128i wraps = _mm_cmpeq_epi32(next, length);
      const __m128i newest = _mm_andnot_si128(wraps, next);
      wrapped |= _mm_movemask_ps(_mm_castsi128_ps(wraps)) << (4 * b);
      const __m128 newerSum = _mm_add_ps(
          _mm_andnot_ps(_mm_castsi128_ps(wraps), _mm_load_ps(q.newerSum)), xs);
      _mm_store_si128(reinterpret_cast<__m128i*>(q.newest), newest);
      _mm_store_ps(q.newerSum, newerSum);
      // Lengths and counts stay below 2^31: signed comparisons order them.
      const __m128i longer = _mm_cmpgt_epi32(length, heldNow);
      const __m128i filled =
          _mm_or_si128(_mm_and_si128(longer, heldNow), _mm_andnot_si128(longer, length));
      _mm_store_ps(held + 4 * b, _mm_cvtepi32_ps(filled));
      const __m128i olderRun = _mm_sub_epi32(_mm_sub_epi32(filled, newest), one);
      _mm_store_si128(reinterpret_cast<__m128i*>(older + 4 * b), olderRun);
      _mm_store_si128(reinterpret_cast<__m128i*>(ends + 4 * b),
                      _mm_sub_epi32(olderRun, length));
      _mm_store_ps(sums + 4 * b, newerSum);
    }
    // Older runs shorten by one a bar (those of rings not yet full stay empty), and a ring
    // that wraps starts its longest: the order of the last bar is nearly this bar's, and
    // still longest first when no ring wraps (runs of equal length may then stand in either
    // order, which changes no sum): the runs are keyed and ordered again only when one wraps.
    uint8_t* order = order_ + first;
    if ((wrapped & ((1 << members) - 1)) != 0) {
      uint64_t key[kRunsTogether];
      for (int j = 0; j < members; ++j) key[j] = RunKey(older[order[j]], order[j]);
      if (OrderRunKeys(key, members))
        for (int j = 0; j < members; ++j) order[j] = static_cast<uint8_t>(key[j] & 0xff);
    }
    RunSums total;
    AddRuns(window, ends, older, sums, order, total);
    static_assert(kRunsTogether == 12, "three quads of places");
    BoundQuad<0>(total, order, held, members, bounds);
    BoundQuad<1>(total, order, held, members, bounds);
    BoundQuad<2>(total, order, held, members, bounds);
  };
  if (count_ == kRunsTogether) {
    measureGroup(0, std::true_type{});
  } else {
    for (int first = 0; first < count_; first += kRunsTogether)
      measureGroup(first, std::false_type{});
  }
  __m128 lows = bounds.lows, highs = bounds.highs;
  lows = _mm_min_ps(lows, _mm_movehl_ps(lows, lows));
  lows = _mm_min_ss(lows, _mm_shuffle_ps(lows, lows, 1));
  highs = _mm_max_ps(highs, _mm_movehl_ps(highs, highs));
  highs = _mm_max_ss(highs, _mm_shuffle_ps(highs, highs, 1));
  const float lo = _mm_cvtss_f32(lows), hi = _mm_cvtss_f32(highs);
  if (bounds.unordered) return;
  const float w = hi - lo;
  if (!(w > 0.0f)) return;

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
}

}  // namespace vqm
