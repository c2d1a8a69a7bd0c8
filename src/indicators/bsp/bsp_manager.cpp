#include "indicators/bsp/bsp_manager.h"

#include <cctype>
#include <memory>

#include "base/lock_rule.h"
#include "base/log.h"
#include "base/text.h"
#include "containers/keyed_hash.h"

namespace vqm {
namespace {

// Keyed over the upper-cased characters: keys equal ignoring case hash alike, and no names
// chosen in advance collide.
uint64_t KeyHash(const char* key) {
  KeyedHash h;
  for (; *key != 0; ++key) h.Add(static_cast<uint8_t>(toupper(static_cast<unsigned char>(*key))));
  return h.Finish();
}

}  // namespace

CBSPManager::~CBSPManager() {
  for (int i = 0; i < GetSize(); ++i) delete GetAt(i);
}

int CBSPManager::FindInstance(const char* key) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  int found = -1;
  const auto range = byKey_.equal_range(KeyHash(key));
  for (auto it = range.first; it != range.second; ++it) {
    const int index = it->second;
    if ((found < 0 || index < found) &&
        StrCompareNoCase(GetAt(index)->name.c_str(), key, 1) == 0)
      found = index;
  }
  return found;
}

int CBSPManager::FindOrAddInstance(const char* key) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  const int existing = FindInstance(key);
  if (existing >= 0) return existing;
  auto instance = std::make_unique<CBSPSet>(key);
  // The index entries go in first: if they cannot, nothing has changed.
  const int index = GetSize();
  const auto entry = byKey_.emplace(KeyHash(key), index);
  try {
    live_.insert(instance.get());
  } catch (...) {
    byKey_.erase(entry);
    throw;
  }
  if (Add(instance.get()) < 0) {
    live_.erase(instance.get());
    byKey_.erase(entry);
    return -1;
  }
  CBSPSet* added = instance.release();
  LOGTRACE("BSPMgr", 1, "Added new BSP Instance: ID=%s, Idx=%d, BSP=" PTR_FMT ", Mgr=" PTR_FMT,
           key, index, PtrArg(added), PtrArg(this));
  return index;
}

}  // namespace vqm
