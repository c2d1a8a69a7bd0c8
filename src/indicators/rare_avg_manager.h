// The process-wide list of regression-average series, `g_RareAvgMgr`. A series is identified
// by six keys: the symbol (ignoring case, same length), nScopeRegr, the effective nScopeWgt,
// the undivided nRespFac, the bar type and the day-continuity switch.
//
// The manager owns its series: they live until the library is unloaded, when each is reset
// and deleted. An index over the six keys keeps a lookup's cost flat however many series
// exist; it answers the first series created with those keys.
// REQUIRES: one call at a time (the export holds the library-wide lock).
#pragma once

#include <cstdint>

#include "base/lock_rule.h"
#include "base/text.h"
#include "containers/hash_index.h"
#include "containers/ptr_array.h"
#include "indicators/rare_avg_series.h"

namespace vqm {

struct RareAvgKeys {
  const char* symbol;  // not null
  int regrLength;
  int wgtLength;
  int respFac;
  int barType;
  int dayKey;
};

class CRareAvgManager {
 public:
  CRareAvgManager() = default;
  ~CRareAvgManager();
  CRareAvgManager(const CRareAvgManager&) = delete;
  CRareAvgManager& operator=(const CRareAvgManager&) = delete;

  // The first series created with these keys, or null. Inline: a host calls the series
  // found last again (a chart, bar after bar), or the series it called after that one last
  // time (a portfolio, its charts in turn), with the very same keys and bytes. A series
  // called alone has no series called after it, so a chart's call compares its keys once.
  CRareAvgSym* Find(const RareAvgKeys& keys) const VQM_REQUIRES_LIBRARY_LOCK {
    VQM_ASSERT_LIBRARY_LOCK_HELD();
    if (lastFound_ != nullptr) {
      CRareAvgSym* next = lastFound_->calledNext;
      if (next != nullptr && SameKeysExactly(*next, keys)) return Found(next);
      if (SameKeysExactly(*lastFound_, keys)) return lastFound_;
    }
    return FindOther(keys);
  }
  // Creates a series with these keys and appends it; null when it cannot be created.
  CRareAvgSym* Create(const RareAvgKeys& keys) VQM_REQUIRES_LIBRARY_LOCK;

  int GetSize() const { return series_.GetSize(); }
  CRareAvgSym* GetAt(int index) const { return static_cast<CRareAvgSym*>(series_.GetAt(index)); }

 private:
  // The keys with the symbol's very bytes: texts with the same bytes compare equal ignoring
  // case, and the plain comparison (SameBytes) settles the usual call. Only a miss creates a
  // series, so at most one series matches: the order in which series are tried never changes
  // which is found.
  static bool SameKeysExactly(const CRareAvgSym& s, const RareAvgKeys& k) {
    return SameIntegerKeys(s, k) && SameBytes(k.symbol, s.symbol);
  }
  static bool SameIntegerKeys(const CRareAvgSym& s, const RareAvgKeys& k) {
    return s.regrLength == k.regrLength && s.wgtLength == k.wgtLength &&
           s.respFacKey == k.respFac && s.barType == k.barType && s.dayKey == k.dayKey;
  }
  // The same keys, the symbol also ignoring case.
  static bool Matches(const CRareAvgSym& s, const RareAvgKeys& k);
  // Find for keys other than the very keys of the series found last and the one called after
  // it.
  CRareAvgSym* FindOther(const RareAvgKeys& keys) const VQM_REQUIRES_LIBRARY_LOCK;
  // Remembers s as found last, and starts loading the series likely called after it.
  CRareAvgSym* Found(CRareAvgSym* s) const;

  SPlainPtrArray series_;  // CRareAvgSym*, in order of creation
  // Key hash -> series; a probe compares the stored hash first and confirms with the full
  // comparison of the keys (symbol folded to upper case).
  HashIndex<CRareAvgSym*> index_;
  mutable CRareAvgSym* lastFound_ = nullptr;  // series are never removed while loaded
};

extern CRareAvgManager g_RareAvgMgr VQM_GUARDED_BY(kLibraryLock);

}  // namespace vqm
