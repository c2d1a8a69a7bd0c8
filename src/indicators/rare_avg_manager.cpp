#include "indicators/rare_avg_manager.h"

#include <new>

#include "base/lock_rule.h"
#include "base/text.h"
#include "containers/keyed_hash.h"

namespace vqm {
namespace {

// Keyed over the integer keys, two to a word, then the symbol folded the way
// StrCompareNoCase folds it: keys that compare equal hash equal, and no names chosen in
// advance collide.
uint64_t HashKeys(const RareAvgKeys& k) {
  const auto pair = [](int low, int high) {
    return static_cast<uint64_t>(static_cast<uint32_t>(low)) |
           static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32;
  };
  KeyedHash h;
  h.AddWord(pair(k.regrLength, k.wgtLength));
  h.AddWord(pair(k.respFac, k.barType));
  h.AddInt32(static_cast<uint32_t>(k.dayKey));
  h.AddUpperCased(k.symbol);
  return h.Finish();
}

bool Matches(const CRareAvgSym& s, const RareAvgKeys& k) {
  return s.regrLength == k.regrLength && s.wgtLength == k.wgtLength && s.respFacKey == k.respFac &&
         s.barType == k.barType && s.dayKey == k.dayKey &&
         StrCompareNoCase(s.symbol.c_str(), k.symbol, 1) == 0;
}

}  // namespace

CRareAvgManager::~CRareAvgManager() {
  for (int i = 0; i < series_.GetSize(); ++i) {
    CRareAvgSym* s = GetAt(i);
    s->Reset();
    delete s;
  }
  series_.RemoveAll();
}

CRareAvgSym* CRareAvgManager::Find(const RareAvgKeys& keys) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // Only a miss creates a series, so at most one series matches: the first created. A chart
  // calls the same series bar after bar, so the one found last is tried before hashing.
  if (lastFound_ != nullptr && Matches(*lastFound_, keys)) return lastFound_;
  CRareAvgSym* const* found =
      index_.Find(HashKeys(keys), [&](const CRareAvgSym* s) { return Matches(*s, keys); });
  if (found == nullptr) return nullptr;
  return lastFound_ = *found;
}

CRareAvgSym* CRareAvgManager::Create(const RareAvgKeys& keys) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  CRareAvgSym* s = new (std::nothrow) CRareAvgSym;
  if (s == nullptr) return nullptr;
  try {
    s->symbol = keys.symbol;
  } catch (const std::bad_alloc&) {
    delete s;
    return nullptr;
  }
  s->regrLength = keys.regrLength;
  s->wgtLength = keys.wgtLength;
  s->respFacKey = keys.respFac;
  s->barType = keys.barType;
  s->dayKey = keys.dayKey;
  const uint64_t hash = HashKeys(keys);
  if (!index_.Insert(hash, s)) {
    delete s;
    return nullptr;
  }
  if (series_.Add(s) < 0) {
    // Leave no index entry behind for a series that does not exist.
    index_.Erase(hash, [&](const CRareAvgSym* entry) { return entry == s; });
    delete s;
    return nullptr;
  }
  return s;
}

}  // namespace vqm
