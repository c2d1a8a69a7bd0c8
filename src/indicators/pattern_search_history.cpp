#include "indicators/pattern_search_history.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/sse2.h"
#include "base/text.h"

namespace vqm {
namespace {

// bsearch's comparison: the searched DateTime against the bar in a slot.
int CompareWithSlot(const void* key, const void* slot) {
  const DateTime* time = static_cast<const DateTime*>(key);
  const CFindGemPoint* point = *static_cast<CFindGemPoint* const*>(slot);
  return time->Compare(point->time, 6);
}

}  // namespace

// Bars per block: 64, 64, 128, ... doubling up to kMaxBlockBars, then kMaxBlockBars each,
// so that a short history (a series of its own) takes little memory.
size_t CFindGemDB::BlockBars(size_t block) {
  return block == 0 ? kFirstBlockBars
                    : block >= 7 ? kMaxBlockBars : size_t{kFirstBlockBars} << (block - 1);
}

FindGemMode DecodeFindGemMode(int mode) {
  FindGemMode m;
  const int magnitude = mode < 0 ? static_cast<int>(0u - static_cast<uint32_t>(mode)) : mode;
  m.sameDay = mode >= 0 ? 1 : 0;
  m.inBasisPoints = magnitude > 1000 ? 1 : 0;
  m.shownMode = magnitude % 1000;
  m.scope = m.shownMode < 2 ? 2 : m.shownMode;
  return m;
}

CFindGemDB::~CFindGemDB() { points.RemoveAll(); }

bool CFindGemDB::HasSymbol(const char* symbol) const {
  // A script passes its symbol as it first passed it, mostly: the same bytes are tried first.
  return HasSymbolBytes(symbol) || StrCompareNoCase(symbol, this->symbol.c_str(), 1) == 0;
}

void CFindGemDB::Restart(const char* newSymbol, const FindGemMode& mode) {
  // The list keeps its slot block, as the bars' blocks are kept: the next symbol's bars go
  // to memory that is already there.
  points.RemoveAt(0, points.GetSize());
  ascending_ = true;
  lastFound_ = -1;
  symbol = newSymbol;
  sameDay = mode.sameDay;
  inBasisPoints = mode.inBasisPoints;
  scope = mode.scope;
}

// The bar after the one found last is compared first, its six bytes at once: a chart
// measures bar after bar, a series the bar it just added.
[[gnu::always_inline]] inline int CFindGemDB::FindInline(const DateTime& time) const {
  const int count = points.GetSize();
  if (count == 0) return -1;
  if (!ascending_) return FindUnordered(time);
  // Strictly ascending: an equal bar is the only one, wherever the search finds it.
  const int hint = lastFound_ + 1 < count ? lastFound_ + 1 : count - 1;
  if (PackedBytes(points.GetData()[hint]->time) == PackedBytes(time)) return lastFound_ = hint;
  return FindFromHint(ChronologicalKey(time), hint);
}

int CFindGemDB::Find(const DateTime& time) const { return FindInline(time); }

int CFindGemDB::FindFromHint(uint64_t key, int hint) const {
  const int count = points.GetSize();
  CFindGemPoint* const* slots = points.GetData();
  // Looked for on the side of the hint where it must lie, in steps that double.
  const auto keyAt = [slots](int i) { return ChronologicalKey(slots[i]->time); };
  int lo, hi;  // the bar, if any, is in [lo, hi)
  if (keyAt(hint) < key) {
    lo = hint + 1;
    int step = 1;
    while (lo + step < count && keyAt(lo + step - 1) < key) {
      lo += step;
      step *= 2;
    }
    hi = lo + step < count ? lo + step : count;
  } else {
    hi = hint;
    int step = 1;
    while (hi - step > 0 && keyAt(hi - step) > key) {
      hi -= step;
      step *= 2;
    }
    lo = hi - step > 0 ? hi - step : 0;
  }
  while (lo < hi) {  // the first bar not earlier
    const int mid = lo + (hi - lo) / 2;
    if (keyAt(mid) < key)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo < count && keyAt(lo) == key) return lastFound_ = lo;
  return -1;
}

int CFindGemDB::FindUnordered(const DateTime& time) const {
  CFindGemPoint** slots = points.GetData();
  const void* hit = bsearch(&time, slots, static_cast<size_t>(points.GetSize()),
                            sizeof(CFindGemPoint*), CompareWithSlot);
  if (hit == nullptr) return -1;
  return lastFound_ = static_cast<int>(static_cast<CFindGemPoint* const*>(hit) - slots);
}

int CFindGemDB::DateDay(uint64_t timeBytes) {
  DateTime midnight;
  dayDate_ = static_cast<uint32_t>(timeBytes) & 0xFFFFFFu;
  StorePackedBytes(midnight, dayDate_);
  dateDay_ = midnight.ToDateInt(0);
  return dateDay_;
}

int CFindGemDB::AddBar(const DateTime& time, const float (&values)[5]) {
  const uint64_t timeBytes = PackedBytes(time);
  int added = 0;
  const auto copyValues = [&values](float (&to)[5]) {
    for (int i = 0; i < CFindGemValues::kCount; ++i) to[i] = values[i];
  };
  if (AddLaterBar(timeBytes, copyValues, &added)) return added;
  const int count = GetCount();
  const bool later =
      count == 0 ||
      ChronologicalKeyOfBytes(timeBytes) > ChronologicalKey(points.GetAt(count - 1)->time);
  if (!(ascending_ && later) && Find(time) >= 0) return count;
  int slot = 0;
  const size_t block = BlockOfBar(count, &slot);
  if (block == blocks_.size()) {
    // Left unset: a scan entry is read only once its bar is stored.
    if (scanBlocks_.size() == block) scanBlocks_.emplace_back(new ScanBar[BlockBars(block)]);
    blocks_.emplace_back(new CFindGemPoint[BlockBars(block)]);
  }
  CFindGemPoint* point = &blocks_[block][static_cast<size_t>(slot)];
  // Beyond 4096 slots the array grows by 1024 at a time, copying every slot each time; a
  // long history doubles its room instead, so adding a bar stays flat in cost. (A failed
  // reservation leaves the array to grow by itself.)
  if (DoublesRoomAt(count)) points.Reserve(count * 2);
  if (points.Add(point) < 0) throw std::bad_alloc();
  StoreBar(block, slot, timeBytes, values);
  ascending_ = ascending_ && later;
  return GetCount();
}

namespace {

// The scan of Measure for one way of counting over n bars side by side, all four excursions
// for every bar; false when a bar of another day ended it. Whether the day bounds the scan is
// a template argument, so that the loop tests it only where it does. Inline: the excursions
// then stay in registers from block to block, where stores read back as wider loads stall.
#if defined(VQM_SSE2)
// A bar's four excursions are the four lanes of a vector (rise above and fall below the low,
// fall below and rise above the high), each lane doing that excursion's operations. The
// highest of each is kept twice over, for the even and the odd bars, and the two taken
// together at the end, so that one bar's raise need not wait for the one before. That keeps
// every bit: a raise keeps the larger of two values and the first of two equal ones; a NaN
// never raises anything, and nor does -0 (the highest start at +0 and only grow), so the
// highest of a set of values is the same value whatever the order it is taken in.
template <bool kBasisPoints, bool kSameDay, typename Bar>
[[gnu::always_inline]] inline bool ScanExcursions(const Bar* bars, int n, int refDay,
                                                  float refLow, float refHigh,
                                                  FindGemExcursions* e) {
  static_assert(offsetof(Bar, low) == offsetof(Bar, high) + sizeof(float), "high, then low");
  const __m128 refs = _mm_set_ps(refHigh, refHigh, refLow, refLow);
  const __m128 refLows = _mm_set1_ps(refLow), refHighs = _mm_set1_ps(refHigh);
  // The falls below the low and the rises above the high are negated.
  const __m128 signs = _mm_set_ps(-0.0f, 0.0f, -0.0f, 0.0f);
  const auto excursions = [&](const Bar& q) {
    double pair;  // the bar's high and low, in one load
    std::memcpy(&pair, &q.high, sizeof pair);
    const __m128 highLow = _mm_castpd_ps(_mm_set_sd(pair));
    // high - low ref, low - low ref, high ref - low, high ref - high
    const __m128 d = _mm_sub_ps(_mm_movelh_ps(highLow, refHighs),
                                _mm_shuffle_ps(refLows, highLow, _MM_SHUFFLE(0, 1, 0, 0)));
    const __m128 units =
        kBasisPoints ? _mm_div_ps(_mm_mul_ps(d, _mm_set1_ps(10000.0f)), refs) : d;
    return _mm_xor_ps(units, signs);
  };
  __m128 even =
      _mm_set_ps(e->riseAboveHigh, e->fallBelowHigh, e->fallBelowLow, e->riseAboveLow);
  __m128 odd = _mm_setzero_ps();
  // Raises best by the bar's excursions; false, raising nothing, for a bar of another day.
  const auto raise = [&](const Bar& q, __m128& best) {
    if (kSameDay && q.day != refDay) return false;
    best = _mm_max_ps(excursions(q), best);  // the first where it is larger, else the second
    return true;
  };
  bool goOn = true;
  int j = 0;
  for (; goOn && j + 1 < n; j += 2) goOn = raise(bars[j], even) && raise(bars[j + 1], odd);
  if (goOn && j < n) goOn = raise(bars[j], even);
  float best[4];
  _mm_storeu_ps(best, _mm_max_ps(odd, even));
  e->riseAboveLow = best[0];
  e->fallBelowLow = best[1];
  e->fallBelowHigh = best[2];
  e->riseAboveHigh = best[3];
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

}  // namespace

// The scan of Measure over bars first .. end - 1, block by block, for one way of counting.
template <bool kBasisPoints, bool kSameDay>
[[gnu::always_inline]] inline void CFindGemDB::ScanRange(const ScanBar& p, int first, int end,
                                                         FindGemExcursions* x) const {
  for (int j = first; j < end;) {
    int slot = 0;
    const size_t block = BlockOfBar(j, &slot);
    const int inBlock = static_cast<int>(BlockBars(block)) - slot;
    const int n = end - j < inBlock ? end - j : inBlock;
    const ScanBar* bars = &scanBlocks_[block][static_cast<size_t>(slot)];
    if (!ScanExcursions<kBasisPoints, kSameDay>(bars, n, p.day, p.low, p.high, x)) return;
    j += n;
  }
}

// REQUIRES: 0 <= reference < GetCount().
[[gnu::always_inline]] inline FindGemExcursions CFindGemDB::MeasureFrom(int reference) const {
  FindGemExcursions e;
  const ScanBar& p = ScanBarAt(reference);
  const int64_t last = int64_t{reference} + scope + 1;
  const int end = last < GetCount() ? static_cast<int>(last) : GetCount();
  // Every bar up to the count is there: none is skipped. The excursions of a reference price
  // of 0 or less are dropped at the end, as if never taken.
  FindGemExcursions x;
  if (inBasisPoints == 1) {
    if (sameDay == 1)
      ScanRange<true, true>(p, reference + 1, end, &x);
    else
      ScanRange<true, false>(p, reference + 1, end, &x);
  } else {
    if (sameDay == 1)
      ScanRange<false, true>(p, reference + 1, end, &x);
    else
      ScanRange<false, false>(p, reference + 1, end, &x);
  }
  if (p.low > 0.0f) {
    e.riseAboveLow = x.riseAboveLow;
    e.fallBelowLow = x.fallBelowLow;
  }
  if (p.high > 0.0f) {
    e.fallBelowHigh = x.fallBelowHigh;
    e.riseAboveHigh = x.riseAboveHigh;
  }
  e.status = scope;
  return e;
}

FindGemExcursions CFindGemDB::Measure(int reference) const {
  if (reference < 0 || reference >= GetCount()) return FindGemExcursions{};
  return MeasureFrom(reference);
}

FindGemExcursions CFindGemDB::MeasureAt(const DateTime& barTime) const {
  const int reference = FindInline(barTime) - scope;
  if (reference < 0) return FindGemExcursions{};
  return MeasureFrom(reference);
}

}  // namespace vqm
