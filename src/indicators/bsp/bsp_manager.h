// The buy/sell pressure instances of the process, one per chart key, in the order they were
// created. Instances are appended and never removed; the manager owns them and deletes them
// when it is destroyed (library unload).
//
// Lookups keep first-match semantics over the array (keys compared ignoring case) but go
// through a hash index, so their cost stays flat however many charts the host runs.
// REQUIRES: callers hold the library-wide lock.
#pragma once

#include <cstdint>

#include "base/lock_rule.h"
#include "containers/call_order.h"
#include "containers/hash_index.h"
#include "containers/ptr_array.h"
#include "indicators/bsp/bsp_set.h"

namespace vqm {

class CBSPManager : public CTypedPtrArray<SPtrArray, CBSPSet*> {
 public:
  CBSPManager() = default;
  ~CBSPManager() override;
  CBSPManager(const CBSPManager&) = delete;
  CBSPManager& operator=(const CBSPManager&) = delete;

  // Index of the first instance whose name equals key ignoring case, or -1.
  int FindInstance(const char* key) const VQM_REQUIRES_LIBRARY_LOCK;
  // FindInstance, or else a new instance named key appended (and logged); -1 when the array
  // cannot grow.
  int FindOrAddInstance(const char* key) VQM_REQUIRES_LIBRARY_LOCK;
  // True when instance is one of this manager's. Compares addresses only: instance is never
  // dereferenced, so any value may be asked about. A script looks its instance up by key and
  // then calls with it, and instances are never removed: the one found last (by key or by
  // address) is tried first.
  bool Holds(const void* instance) const {
    if (IsHeldLast(instance)) return true;
    return HoldsIndexed(instance);
  }
  // True when instance is the one found last: Holds' first try, without the probe.
  bool IsHeldLast(const void* instance) const {
    return instance != nullptr && instance == heldLast_;
  }

 private:
  // An index entry: the instance beside its array index, so that a probe reads the instance
  // itself and no array slot.
  struct Entry {
    CBSPSet* instance;
    int index;
  };
  // Records the instance at index as found last, for Holds; returns index.
  int Held(int index) const VQM_REQUIRES_LIBRARY_LOCK;
  // Asks for the memory of the bars likely to come after the instance at index; returns index.
  int FetchAhead(int index) const VQM_REQUIRES_LIBRARY_LOCK;

  HashIndex<Entry> byKey_;       // case-folded key hash -> the instance (keys are unique)
  AddressSet live_;  // the address of each instance
  mutable const void* heldLast_ = nullptr;  // the instance found last
  mutable CallOrder order_;                 // tried before the keys are hashed

  bool HoldsIndexed(const void* instance) const;
};

// The process-wide manager (defined with the other process-wide objects).
extern CBSPManager g_BSPMgr VQM_GUARDED_BY(kLibraryLock);

}  // namespace vqm
