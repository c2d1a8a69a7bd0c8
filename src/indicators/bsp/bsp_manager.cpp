#include "indicators/bsp/bsp_manager.h"

#include <memory>

#include "base/lock_rule.h"
#include "base/log.h"
#include "base/prefetch.h"
#include "base/text.h"
#include "containers/keyed_hash.h"

namespace vqm {
namespace {

// Keyed over the upper-cased characters: keys equal ignoring case hash alike, and no names
// chosen in advance collide.
uint64_t KeyHash(const char* key) {
  KeyedHash h;
  h.AddUpperCased(key);
  return h.Finish();
}

}  // namespace

CBSPManager::~CBSPManager() {
  for (int i = 0; i < GetSize(); ++i) delete GetAt(i);
}

int CBSPManager::FindInstance(const char* key) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // A script binds its instance and takes its handle with the same key, and a host that
  // calculates its charts in turn binds them in the same order on every bar: the key's very
  // bytes are tried on the instance found last and the one found after it before hashing.
  // An instance is added only when none has its key: at most one matches, the first.
  const auto sameBytes = [&](int index) { return SameBytes(key, GetAt(index)->name); };
  bool moved = false;
  const int ordered = order_.Find(sameBytes, &moved);
  if (ordered >= 0) return moved ? FetchAhead(Held(ordered)) : Held(ordered);
  const Entry* found = byKey_.Find(KeyHash(key), [&](const Entry& e) {
    return StrCompareNoCase(e.instance->name.c_str(), key, 1) == 0;
  });
  if (found == nullptr) return -1;
  return FetchAhead(Held(order_.Learn(found->index)));
}

int CBSPManager::Held(int index) const {
  // The script's next call is VQM_BSPCalc on this instance: its check then needs no probe.
  heldLast_ = GetAt(index);
  return index;
}

int CBSPManager::FetchAhead(int index) const {
  // An instance's name, which the key is compared with, and its rings' next slots; its object.
  order_.FetchAhead(
      index,
      [&](int i) {
        const CBSPSet* s = GetAt(i);
        PrefetchLines(s->name.c_str(), s->name.size() + 1);
        s->FetchRingsAhead();
      },
      [&](int i) { PrefetchBlock<sizeof(CBSPSet)>(GetAt(i)); });
  return index;
}

bool CBSPManager::HoldsIndexed(const void* instance) const {
  if (!live_.Contains(instance)) return false;
  heldLast_ = instance;
  return true;
}

int CBSPManager::FindOrAddInstance(const char* key) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  const int existing = FindInstance(key);
  if (existing >= 0) return existing;
  auto instance = std::make_unique<CBSPSet>(key);
  CBSPSet* added = instance.get();
  // The index entries go in first: if they cannot, nothing has changed.
  const int index = GetSize();
  const uint64_t hash = KeyHash(key);
  auto isAdded = [&](const Entry& e) { return e.instance == added; };
  if (!order_.Grow()) return -1;
  if (!byKey_.Insert(hash, Entry{added, index})) {
    order_.Shrink();
    return -1;
  }
  if (!live_.Insert(added)) {
    byKey_.Erase(hash, isAdded);
    order_.Shrink();
    return -1;
  }
  if (Add(added) < 0) {
    live_.Erase(added);
    byKey_.Erase(hash, isAdded);
    order_.Shrink();
    return -1;
  }
  instance.release();
  LOGTRACE("BSPMgr", 1, "Added new BSP Instance: ID=%s, Idx=%d, BSP=" PTR_FMT ", Mgr=" PTR_FMT,
           key, index, PtrArg(added), PtrArg(this));
  return index;
}

}  // namespace vqm
