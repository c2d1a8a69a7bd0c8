#include "indicators/rare_avg_manager.h"

#include <cctype>
#include <cstdint>
#include <new>

#include "frame/settings.h"

namespace vqm {
namespace {

// FNV-1a over the symbol folded the way StrCompareNoCase folds it, then the integer keys:
// keys that compare equal hash equal.
size_t HashKeys(const RareAvgKeys& k) {
  uint64_t h = 14695981039346656037ull;
  auto mix = [&h](uint64_t byte) {
    h ^= byte;
    h *= 1099511628211ull;
  };
  for (const char* c = k.symbol; *c != 0; ++c)
    mix(static_cast<uint64_t>(toupper(static_cast<unsigned char>(*c))));
  for (int v : {k.regrLength, k.wgtLength, k.respFac, k.barType, k.dayKey}) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) mix((u >> shift) & 0xFF);
  }
  return static_cast<size_t>(h);
}

bool Matches(const CRareAvgSym& s, const RareAvgKeys& k) {
  return s.regrLength == k.regrLength && s.wgtLength == k.wgtLength &&
         s.respFacKey == k.respFac && s.barType == k.barType && s.dayKey == k.dayKey &&
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
  // Only a miss creates a series, so at most one series matches: the first created.
  const auto range = index_.equal_range(HashKeys(keys));
  for (auto it = range.first; it != range.second; ++it)
    if (Matches(*it->second, keys)) return it->second;
  return nullptr;
}

CRareAvgSym* CRareAvgManager::Create(const RareAvgKeys& keys) {
  CRareAvgSym* s = new (std::nothrow) CRareAvgSym;
  if (s == nullptr) return nullptr;
  try {
    s->symbol = keys.symbol;
    s->regrLength = keys.regrLength;
    s->wgtLength = keys.wgtLength;
    s->respFacKey = keys.respFac;
    s->barType = keys.barType;
    s->dayKey = keys.dayKey;
    auto entry = index_.emplace(HashKeys(keys), s);
    if (series_.Add(s) < 0) {
      index_.erase(entry);
      delete s;
      return nullptr;
    }
  } catch (const std::bad_alloc&) {
    delete s;
    return nullptr;
  }
  return s;
}

}  // namespace vqm
