// The process-wide list of trend-reversal series, g_TrendRevMgr.
//
// A series is known by its symbol (case ignored, same length) and two bar-series keys. The
// series stay in one pointer array, looked up first match in array order; a hash index over
// the upper-cased symbol and the keys keeps that lookup flat as series multiply. The
// manager owns its series: unloading deletes every one, then the array.
// REQUIRES: the library-wide lock.
#pragma once

#include <cstdint>
#include <memory>

#include "base/lock_rule.h"
#include "containers/call_order.h"
#include "containers/hash_index.h"
#include "containers/ptr_array.h"
#include "indicators/trend_reversal_series.h"

namespace vqm {

class CTrendRevMgr {
 public:
  CTrendRevMgr() = default;
  ~CTrendRevMgr();
  CTrendRevMgr(const CTrendRevMgr&) = delete;
  CTrendRevMgr& operator=(const CTrendRevMgr&) = delete;

  // Array index of the first series with this symbol and keys, or -1. symbol: not null.
  int Find(const char* symbol, int barKey1, int barKey2) const VQM_REQUIRES_LIBRARY_LOCK;
  CTrendRevSym* GetAt(int index) const { return series_.GetAt(index); }
  int GetSize() const { return series_.GetSize(); }

  // Takes the series and appends it; returns its index. On memory exhaustion throws
  // std::bad_alloc and the caller keeps the series.
  int Append(std::unique_ptr<CTrendRevSym>& series) VQM_REQUIRES_LIBRARY_LOCK;
  // Puts a fresh series (same symbol, ignoring case, and keys) in the slot of the one at
  // index and deletes that one. REQUIRES: 0 <= index < GetSize().
  void Replace(int index, std::unique_ptr<CTrendRevSym> fresh) VQM_REQUIRES_LIBRARY_LOCK;

 private:
  static uint64_t KeyHash(const char* symbol, int barKey1, int barKey2);
  // Asks for the memory of the calls likely to come after the series at index; returns index.
  int FetchAhead(int index) const VQM_REQUIRES_LIBRARY_LOCK;

  // An index entry: the series beside its array index, so that a probe reads the series
  // itself and no array slot.
  struct Entry {
    CTrendRevSym* series;
    int index;
  };

  CTypedPtrArray<SPtrArray, CTrendRevSym*> series_;
  HashIndex<Entry> index_;  // key hash -> the series with those keys (keys are unique)
  // Tried before hashing. Keys are unique (a series is appended only when none was found),
  // so a series the order finds is the first match.
  mutable CallOrder order_;
};

extern CTrendRevMgr g_TrendRevMgr VQM_GUARDED_BY(kLibraryLock);

}  // namespace vqm
