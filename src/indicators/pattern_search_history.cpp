#include "indicators/pattern_search_history.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "base/lock_rule.h"
#include "base/text.h"

namespace vqm {
namespace {

constexpr int kDoublingFrom = 4096;

// bsearch's comparison: the searched DateTime against the bar in a slot.
int CompareWithSlot(const void* key, const void* slot) {
  const DateTime* time = static_cast<const DateTime*>(key);
  const CFindGemPoint* point = *static_cast<CFindGemPoint* const*>(slot);
  return time->Compare(point->time, 6);
}

// (difference x 10000) / reference when the history counts in ten-thousandths.
float InUnits(float difference, float reference, int inBasisPoints) {
  return inBasisPoints == 1 ? difference * 10000.0f / reference : difference;
}

}  // namespace

FindGemMode DecodeFindGemMode(int mode) {
  FindGemMode m;
  const int magnitude = mode < 0 ? static_cast<int>(0u - static_cast<uint32_t>(mode)) : mode;
  m.sameDay = mode >= 0 ? 1 : 0;
  m.inBasisPoints = magnitude > 1000 ? 1 : 0;
  m.shownMode = magnitude % 1000;
  m.scope = m.shownMode < 2 ? 2 : m.shownMode;
  return m;
}

CFindGemDB::~CFindGemDB() {
  for (int i = 0; i < points.GetSize(); ++i) delete points.GetAt(i);
  points.RemoveAll();
}

bool CFindGemDB::HasSymbol(const char* symbol) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  return StrCompareNoCase(symbol, this->symbol.c_str(), 1) == 0;
}

void CFindGemDB::Restart(const char* newSymbol, const FindGemMode& mode) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  for (int i = 0; i < points.GetSize(); ++i) delete points.GetAt(i);
  points.RemoveAll();
  symbol = newSymbol;
  sameDay = mode.sameDay;
  inBasisPoints = mode.inBasisPoints;
  scope = mode.scope;
}

int CFindGemDB::Find(const DateTime& time) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  if (points.GetSize() == 0) return -1;
  CFindGemPoint** slots = points.GetData();
  const void* hit = bsearch(&time, slots, static_cast<size_t>(points.GetSize()),
                            sizeof(CFindGemPoint*), CompareWithSlot);
  return hit == nullptr ? -1 : static_cast<int>(static_cast<CFindGemPoint* const*>(hit) - slots);
}

int CFindGemDB::AddBar(const DateTime& time, const float (&values)[5]) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  if (Find(time) >= 0) return GetCount();
  std::unique_ptr<CFindGemPoint> point(new CFindGemPoint);
  point->time = time;
  for (float v : values)
    if (point->values.AddFlt(v) < 0) throw std::bad_alloc();
  // Beyond 4096 slots the array grows by 1024 at a time, copying every slot each time; a
  // long history doubles its room instead, so adding a bar stays flat in cost. (A failed
  // reservation leaves the array to grow by itself.)
  const int count = points.GetSize();
  if (count >= kDoublingFrom && (count & (count - 1)) == 0 && count <= INT_MAX / 2)
    points.Reserve(count * 2);
  if (points.Add(point.get()) < 0) throw std::bad_alloc();
  point.release();
  return GetCount();
}

FindGemExcursions CFindGemDB::Measure(int reference) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  FindGemExcursions e;
  const CFindGemPoint* p = points.GetAtOrNull(reference);
  if (p == nullptr) return e;
  const float refLow = p->values.GetFltAt(CFindGemPoint::kLow);
  const float refHigh = p->values.GetFltAt(CFindGemPoint::kHigh);
  const int64_t last = int64_t{reference} + scope + 1;
  const int end = last < GetCount() ? static_cast<int>(last) : GetCount();
  const int refDay = p->time.ToDateInt(0);

  for (int j = reference + 1; j < end; ++j) {
    const CFindGemPoint* q = points.GetAtOrNull(j);
    if (q == nullptr) continue;
    if (sameDay == 1 && q->time.ToDateInt(0) != refDay) break;
    const float high = q->values.GetFltAt(CFindGemPoint::kHigh);
    const float low = q->values.GetFltAt(CFindGemPoint::kLow);
    if (refLow > 0.0f) {
      const float up1 = InUnits(high - refLow, refLow, inBasisPoints);
      const float dn1 = InUnits(low - refLow, refLow, inBasisPoints);
      if (up1 > 0.0f && up1 > e.riseAboveLow) e.riseAboveLow = up1;
      if (dn1 < 0.0f && -dn1 > e.fallBelowLow) e.fallBelowLow = -dn1;
    }
    if (refHigh > 0.0f) {
      const float dn2 = InUnits(refHigh - low, refHigh, inBasisPoints);
      const float up2 = InUnits(refHigh - high, refHigh, inBasisPoints);
      if (dn2 > 0.0f && dn2 > e.fallBelowHigh) e.fallBelowHigh = dn2;
      if (up2 < 0.0f && -up2 > e.riseAboveHigh) e.riseAboveHigh = -up2;
    }
  }
  e.status = scope;
  return e;
}

}  // namespace vqm
