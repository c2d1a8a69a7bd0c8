#include "indicators/rare_avg_manager.h"

#include <cctype>
#include <new>

#include "base/lock_rule.h"
#include "base/text.h"
#include "containers/keyed_hash.h"

namespace vqm {
namespace {

// Keyed over the symbol folded the way StrCompareNoCase folds it, then the integer keys:
// keys that compare equal hash equal, and no names chosen in advance collide.
uint64_t HashKeys(const RareAvgKeys& k) {
  KeyedHash h;
  for (const char* c = k.symbol; *c != 0; ++c)
    h.Add(static_cast<uint8_t>(toupper(static_cast<unsigned char>(*c))));
  for (int v : {k.regrLength, k.wgtLength, k.respFac, k.barType, k.dayKey})
    h.AddInt32(static_cast<uint32_t>(v));
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
  if (index_.empty()) return nullptr;
  // Only a miss creates a series, so at most one series matches: the first created. A chart
  // calls the same series bar after bar, so the one found last is tried before hashing.
  if (lastFound_ != nullptr && Matches(*lastFound_, keys)) return lastFound_;
  const uint64_t hash = HashKeys(keys);
  const size_t mask = index_.size() - 1;
  for (size_t i = hash & mask; index_[i].series != nullptr; i = (i + 1) & mask)
    if (index_[i].hash == hash && Matches(*index_[i].series, keys))
      return lastFound_ = index_[i].series;
  return nullptr;
}

// Adds the series to the index, doubling the table when it would be more than half full.
// False when memory runs out (the index is then unchanged).
bool CRareAvgManager::Index(uint64_t hash, CRareAvgSym* series) {
  const size_t held = static_cast<size_t>(series_.GetSize());
  if (2 * (held + 1) > index_.size()) {
    std::vector<Slot> grown;
    try {
      grown.assign(index_.empty() ? 64 : 2 * index_.size(), Slot{0, nullptr});
    } catch (const std::bad_alloc&) {
      return false;
    }
    const size_t mask = grown.size() - 1;
    for (const Slot& slot : index_) {
      if (slot.series == nullptr) continue;
      size_t i = slot.hash & mask;
      while (grown[i].series != nullptr) i = (i + 1) & mask;
      grown[i] = slot;
    }
    index_.swap(grown);
  }
  const size_t mask = index_.size() - 1;
  size_t i = hash & mask;
  while (index_[i].series != nullptr) i = (i + 1) & mask;
  index_[i] = Slot{hash, series};
  return true;
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
  if (!Index(HashKeys(keys), s)) {
    delete s;
    return nullptr;
  }
  if (series_.Add(s) < 0) {
    // Leave no index entry behind for a series that does not exist: rebuild without it.
    std::vector<Slot> kept;
    kept.swap(index_);
    for (const Slot& slot : kept)
      if (slot.series != nullptr && slot.series != s) Index(slot.hash, slot.series);
    delete s;
    return nullptr;
  }
  return s;
}

}  // namespace vqm
