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

}  // namespace

bool CRareAvgManager::Matches(const CRareAvgSym& s, const RareAvgKeys& k) {
  return SameIntegerKeys(s, k) && (SameBytes(k.symbol, s.symbol) ||
                                   StrCompareNoCase(s.symbol.c_str(), k.symbol, 1) == 0);
}

CRareAvgManager::~CRareAvgManager() {
  for (int i = 0; i < series_.GetSize(); ++i) {
    CRareAvgSym* s = GetAt(i);
    s->Reset();
    delete s;
  }
  series_.RemoveAll();
}

CRareAvgSym* CRareAvgManager::FindOther(const RareAvgKeys& keys) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // The series found last and the one called after it were compared byte for byte (Find);
  // now ignoring case, before the keys are hashed.
  if (lastFound_ != nullptr) {
    CRareAvgSym* next = lastFound_->calledNext;
    if (Matches(*lastFound_, keys)) return lastFound_;
    if (next != nullptr && Matches(*next, keys)) return Found(next);
  }
  CRareAvgSym* const* found = index_.Find(HashKeys(keys), [&](const CRareAvgSym* s) {
    CRareAvgSym::PrefetchObject(s);
    return Matches(*s, keys);
  });
  if (found == nullptr) return nullptr;
  // Another series than the last: its memory has likely left the cache since its last call.
  (*found)->PrefetchForCall();
  if (lastFound_ != nullptr) lastFound_->calledNext = *found;
  return Found(*found);
}

CRareAvgSym* CRareAvgManager::Found(CRareAvgSym* s) const {
  // Memory for the calls likely to come starts loading now, while this call computes, a
  // call ahead of need: the rings and window of the series after the next (its object was
  // asked for in the call before), and the object of the one after that. The next series'
  // own memory was asked for in the call before.
  CRareAvgSym* next = s->calledNext;
  CRareAvgSym* afterNext = next != nullptr ? next->calledNext : nullptr;
  if (afterNext != nullptr) {
    afterNext->PrefetchForCall();
    if (afterNext->calledNext != nullptr) CRareAvgSym::PrefetchObject(afterNext->calledNext);
  } else if (next != nullptr) {
    next->PrefetchForCall();
  }
  return lastFound_ = s;
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
