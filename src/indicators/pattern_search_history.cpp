#include "indicators/pattern_search_history.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/text.h"
#include "indicators/pattern_search_scan.h"

namespace vqm {
namespace {

// bsearch's comparison: the searched DateTime against the bar in a slot.
int CompareWithSlot(const void* key, const void* slot) {
  const DateTime* time = static_cast<const DateTime*>(key);
  const CFindGemPoint* point = *static_cast<CFindGemPoint* const*>(slot);
  return time->Compare(point->time, 6);
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
  tail_ = Tail{};
  symbol = newSymbol;
  sameDay = mode.sameDay;
  inBasisPoints = mode.inBasisPoints;
  scope = mode.scope;
}

int CFindGemDB::Find(const DateTime& time) const { return FindInline(PackedBytes(time)); }

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
  const uint64_t key = ChronologicalKeyOfBytes(timeBytes);
  const bool later = count == 0 || key > newestKey_;
  if (!(ascending_ && later) && Find(time) >= 0) return count;
  int slot = 0;
  const size_t block = BlockOfBar(count, &slot);
  if (block == blocks_.size()) {
    // The scan entries are left unset: one is read only once its bar is stored.
    Block fresh{std::unique_ptr<CFindGemPoint[]>(new CFindGemPoint[BlockBars(block)]),
                std::unique_ptr<ScanBar[]>(new ScanBar[BlockBars(block)])};
    blocks_.push_back(std::move(fresh));
  }
  Block& b = blocks_[block];
  CFindGemPoint* point = &b.bars[static_cast<size_t>(slot)];
  // The list grows with the blocks, which double up to 4096 bars: its slots are then taken
  // beside the block just made, and a push of a series among many finds them on the same
  // page as its bars. Beyond 4096 slots the array grows by 1024 at a time, copying every slot
  // each time; a long history doubles its room instead, so adding a bar stays flat in cost.
  // (A failed reservation leaves the array to grow by itself.)
  if (slot == 0 && count < kMaxBlockBars)
    points.Reserve(count + static_cast<int>(BlockBars(block)));
  if (DoublesRoomAt(count)) points.Reserve(count * 2);
  if (points.Add(point) < 0) throw std::bad_alloc();
  const int first = count - slot;  // the block's first bar
  tail_ = Tail{first, first + static_cast<int>(BlockBars(block)), b.bars.get(), b.scan.get()};
  StoreBar(point, &b.scan[static_cast<size_t>(slot)], timeBytes, values);
  newestKey_ = key;
  ascending_ = ascending_ && later;
  return GetCount();
}

FindGemExcursions CFindGemDB::Measure(int reference) const {
  if (reference < 0 || reference >= GetCount()) return FindGemExcursions{};
  return MeasureFrom(reference);
}

FindGemExcursions CFindGemDB::MeasureAt(const DateTime& barTime) const {
  const int reference = FindInline(PackedBytes(barTime)) - scope;
  if (reference < 0) return FindGemExcursions{};
  return MeasureFrom(reference);
}

}  // namespace vqm
