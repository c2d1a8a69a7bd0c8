// The pattern-search history, g_FindGemDB: the bars of one symbol in the order they were
// added, searched by date-time, and the hindsight excursions after a reference bar.
//
// One history per process; a new symbol discards it. The history owns its bars. All
// arithmetic is single precision. REQUIRES: one call at a time on a history (the
// export holds the library-wide lock; a series handle is used by one thread at a time).
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/lock_rule.h"
#include "base/text.h"
#include "containers/ptr_array.h"
#include "datetime/date_time.h"

namespace vqm {

// The library's build stamp as the history's start line shows it.
constexpr const char* kFindGemBuildDate = "Nov 16 2015";
constexpr const char* kFindGemBuildTime = "12:20:12";

// A bar's five values, read as from a float array: a fixed block inside the bar, so a bar
// costs no allocation of its own.
class CFindGemValues {
 public:
  static constexpr int kCount = 5;
  int GetSize() const { return kCount; }
  // The float at index, or 1000000000.0 when index is out of range.
  float GetFltAt(int index) const { return index < 0 || index >= kCount ? 1000000000.0f : v[index]; }

  float v[kCount] = {};
};

// One bar: its date-time (the search key) and open, high, low, close (already divided by
// the price divisor) and volume, in that order.
class CFindGemPoint {
 public:
  enum Value { kOpen = 0, kHigh = 1, kLow = 2, kClose = 3, kVolume = 4 };
  DateTime time;
  CFindGemValues values;
  int32_t day = 0;  // time.ToDateInt(0), kept: the measurement compares it bar after bar
};

// The settings a history starts with, read from the mode argument: with m = |mode|, same-day
// bars unless mode < 0, ten-thousandths when m > 1000, scope max(2, m mod 1000). |INT_MIN|
// stays INT_MIN, as the processor's negation gives.
struct FindGemMode {
  int sameDay = 1;
  int inBasisPoints = 0;
  int scope = 100;
  int shownMode = 0;  // m mod 1000, as the start line shows it
};
FindGemMode DecodeFindGemMode(int mode);

// The four excursions measured after a reference bar; each 0 or positive.
struct FindGemExcursions {
  int status = -1;  // the scope, or -1 when there is no reference bar
  float fallBelowLow = 0.0f;
  float riseAboveLow = 0.0f;
  float riseAboveHigh = 0.0f;
  float fallBelowHigh = 0.0f;
};

class CFindGemDB {
 public:
  CFindGemDB() = default;
  ~CFindGemDB();  // deletes every bar
  CFindGemDB(const CFindGemDB&) = delete;
  CFindGemDB& operator=(const CFindGemDB&) = delete;

  // True when symbol equals the history's (case ignored, same length).
  bool HasSymbol(const char* symbol) const;
  // True when symbol is the history's byte for byte.
  bool HasSymbolBytes(const char* symbol) const {
    return SameBytes(symbol, this->symbol);
  }
  // Deletes every bar and starts the history of symbol with the mode's settings.
  void Restart(const char* symbol, const FindGemMode& mode);

  // Index of a bar with an equal date-time, or -1: the C library's bsearch over the slots,
  // which is exact only while bars were added in ascending date-time order. While they
  // were, a match is the only one, so it is looked for from the bar after the one found
  // last (a chart measures bar after bar; a series measures the bar just added).
  int Find(const DateTime& time) const;
  // Appends the bar unless Find sees one with an equal date-time (whose values then stay).
  // Returns the number of bars. Throws std::bad_alloc when memory runs out (nothing added).
  int AddBar(const DateTime& time, const float (&values)[5]);
  // AddBar's usual case, for a bar time given as its packed bytes (PackedBytes): a bar later
  // than the newest while the bars ascend, where the history has room for it, its values
  // filled in by readValues(float (&)[5]) only then. Allocates nothing, calls nothing that
  // may throw, and returns false with nothing changed and nothing read in any other case
  // (AddBar then adds the bar).
  template <class ReadValues>
  bool AddLaterBar(uint64_t timeBytes, ReadValues&& readValues, int* count);

  // From the bar at reference up to the scope bars after it (with sameDay, only while they
  // are on the reference bar's calendar day): the largest fall below and rise above the
  // reference low and high, in price units or ten-thousandths of the reference price.
  FindGemExcursions Measure(int reference) const;
  // Find, then Measure from the bar `scope` bars before the one found: status -1 (and all
  // four 0) when there is no such bar. The calc export's general way and the series.
  FindGemExcursions MeasureAt(const DateTime& barTime) const;
  // MeasureAt for a bar time given as its packed bytes (PackedBytes), the four excursions
  // written to out (fall below the low, rise above the low, rise above the high, fall below
  // the high) and the status returned: the calc export's usual call, the bar time and the
  // excursions kept in registers on the way. Inline, in indicators/pattern_search_scan.h.
  int MeasureAtBytes(uint64_t timeBytes, float* const (&out)[4]) const;

  int GetCount() const { return points.GetSize(); }

  // Hands take(address, bytes) the memory that adding a later bar and measuring it read,
  // besides the history's own fields (HotBytes from its start): the slot in the list and the
  // bar's place in its block that the next bar takes, and the scan of the measurement. A
  // series pushed among many asks for it ahead, and among 10 000 series each line asked for
  // costs a push time. Nothing past the end of a block is handed over.
  template <class Take>
  void ForNextBar(Take take) const {
    const int count = GetCount();
    if (count == 0) return;
    take(points.GetData() + count, sizeof(CFindGemPoint*));
    if (count < tail_.end) take(&tail_.bars[count - tail_.first], sizeof(CFindGemPoint));
    const int first = count > scope ? count - scope : 0;
    if (first >= tail_.first)
      take(&tail_.scan[first - tail_.first],
           static_cast<size_t>((count < tail_.end ? count + 1 : count) - first) * sizeof(ScanBar));
  }
  // The bytes from the history's start that a push reads; the fields after them are read
  // only when a bar starts a block, or by the other ways of adding and searching.
  size_t HotBytes() const {
    return static_cast<size_t>(reinterpret_cast<const char*>(&blocks_) -
                               reinterpret_cast<const char*>(this));
  }

  // The fields a push reads come first, in as few cache lines as they fit (HotBytes).
  CTypedPtrArray<SPtrArray, CFindGemPoint*> points;  // owned (in blocks_), in the order added
  int sameDay = 1;
  int inBasisPoints = 0;
  int scope = 100;

 private:
  // What the measurement reads of each bar, packed in blocks beside the bars' (same sizes,
  // same slots), so that a scan reads few cache lines and nothing is ever copied.
  struct ScanBar {
    float high;
    float low;
    int32_t day;
  };
  // True while every bar came later than the one before: then a bar later than the newest
  // has no equal, and the search for one can be skipped.
  bool ascending_ = true;
  mutable int lastFound_ = -1;  // the index Find gave last, or -1
  // The date (the packed year, month and day bytes) DayOf saw last, and its YYYYMMDD or 0.
  uint32_t dayDate_ = ~uint32_t{0};
  int32_t dateDay_ = 0;
  // ChronologicalKey of the newest bar's time, while there is one: a later bar is told from
  // it without reading the bar.
  uint64_t newestKey_ = 0;
  // The block that holds the newest bar (bars first to end - 1), while there is one: a push
  // adds to it and measures in it without reading the list of blocks.
  struct Tail {
    int first = 0;
    int end = 0;
    CFindGemPoint* bars = nullptr;
    ScanBar* scan = nullptr;
  } tail_;

  // A block's bars and their scan entries, side by side in one list.
  struct Block {
    std::unique_ptr<CFindGemPoint[]> bars;
    std::unique_ptr<ScanBar[]> scan;
  };
  std::vector<Block> blocks_;

  // The bars live in blocks that are kept across restarts; a bar never moves. Bars per
  // block: 64, 64, 128, ... doubling up to kMaxBlockBars, then kMaxBlockBars each, so that a
  // short history (a series of its own) takes little memory.
  static size_t BlockBars(size_t block) {
    return block == 0 ? kFirstBlockBars
                      : block >= 7 ? kMaxBlockBars : size_t{kFirstBlockBars} << (block - 1);
  }
  // The block of bar number `bar` (0 or more), and its slot in *slot.
  static size_t BlockOfBar(int bar, int* slot) {
    if (bar >= kMaxBlockBars) {
      *slot = bar % kMaxBlockBars;
      return static_cast<size_t>(bar / kMaxBlockBars) + 6;
    }
    if (bar < kFirstBlockBars) {
      *slot = bar;
      return 0;
    }
    // Block b >= 1 starts at 64 << (b - 1), the highest power of two not above the bar.
    const int log2 = 31 - __builtin_clz(static_cast<unsigned>(bar));
    *slot = bar - (1 << log2);
    return static_cast<size_t>(log2 - 5);
  }
  static constexpr int kFirstBlockBars = 64;
  // Whether AddBar doubles the list's room before adding bar number count: a long history
  // grows by doubling, from 4096 bars on.
  static bool DoublesRoomAt(int count) {
    return count >= 4096 && (count & (count - 1)) == 0 && count <= INT_MAX / 2;
  }
  static constexpr int kMaxBlockBars = 4096;  // 64 << 6
  int FindInline(uint64_t timeBytes) const;
  // ToDateInt(0) of the bar time with these packed bytes, its date's part kept from the bar
  // before: a day's bars share it. DateDay works it out for a new date.
  int DayOf(uint64_t timeBytes);
  int DateDay(uint64_t timeBytes);
  // Writes a bar's fields and its scan entry.
  void StoreBar(CFindGemPoint* point, ScanBar* scan, uint64_t timeBytes,
                const float (&values)[5]);
  // Find's two searches: from the bar at hint while the bars ascend (not at it), else bsearch.
  int FindFromHint(uint64_t key, int hint) const;
  int FindUnordered(const DateTime& time) const;

  FindGemExcursions MeasureFrom(int reference) const;
  template <bool kBasisPoints, bool kSameDay>
  void ScanRange(const ScanBar& p, const ScanBar* bars, int m, size_t block, int n,
                 FindGemExcursions* x) const;

 public:
  std::string symbol;  // last: the bars' fields come first
};

extern CFindGemDB g_FindGemDB VQM_GUARDED_BY(kLibraryLock);

// Inline: the add export's usual call is little more than these. The bar time stays a
// number in registers: a value written to memory and read back wider stalls the read.
inline int CFindGemDB::DayOf(uint64_t timeBytes) {
  const uint32_t date = static_cast<uint32_t>(timeBytes) & 0xFFFFFFu;
  const int day = date == dayDate_ ? dateDay_ : DateDay(timeBytes);
  const uint32_t hour = static_cast<uint32_t>(timeBytes >> 24) & 0xFF;
  const uint32_t minute = static_cast<uint32_t>(timeBytes >> 32) & 0xFF;
  const uint32_t second = static_cast<uint32_t>(timeBytes >> 40) & 0xFF;
  return hour <= 23 && minute <= 59 && second <= 59 ? day : 0;
}

inline void CFindGemDB::StoreBar(CFindGemPoint* point, ScanBar* scan, uint64_t timeBytes,
                                 const float (&values)[5]) {
  const int day = DayOf(timeBytes);
  *scan = ScanBar{values[CFindGemPoint::kHigh], values[CFindGemPoint::kLow], day};
  StorePackedBytes(point->time, timeBytes);
  for (int i = 0; i < CFindGemValues::kCount; ++i) point->values.v[i] = values[i];
  point->day = day;
}

template <class ReadValues>
[[gnu::always_inline]] inline bool CFindGemDB::AddLaterBar(uint64_t timeBytes,
                                                          ReadValues&& readValues, int* count) {
  const int n = GetCount();
  // Room: a slot in the list that needs no growth (nor the doubling AddBar does), and a
  // place in the newest bar's block.
  if (!ascending_ || n == 0 || n >= points.GetCapacity() || DoublesRoomAt(n) || n >= tail_.end)
    return false;
  const uint64_t key = ChronologicalKeyOfBytes(timeBytes);
  if (!(key > newestKey_)) return false;
  float values[5];
  readValues(values);
  const size_t slot = static_cast<size_t>(n - tail_.first);
  StoreBar(&tail_.bars[slot], &tail_.scan[slot], timeBytes, values);
  points.AddWithinCapacity(&tail_.bars[slot]);
  newestKey_ = key;
  *count = n + 1;
  return true;
}

}  // namespace vqm
