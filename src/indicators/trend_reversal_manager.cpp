#include "indicators/trend_reversal_manager.h"

#include <cctype>
#include <new>

#include "base/lock_rule.h"
#include "base/text.h"
#include "containers/keyed_hash.h"

namespace vqm {

CTrendRevMgr::~CTrendRevMgr() {
  for (int i = 0; i < series_.GetSize(); ++i) delete series_.GetAt(i);
  series_.RemoveAll();
}

// Keyed over the symbol upper-cased the way StrCompareNoCase compares it, then the keys:
// texts that compare equal hash equal, and no names chosen in advance collide.
uint64_t CTrendRevMgr::KeyHash(const char* symbol, int barKey1, int barKey2) {
  KeyedHash h;
  for (const char* p = symbol; *p != 0; ++p)
    h.Add(static_cast<uint8_t>(toupper(static_cast<unsigned char>(*p))));
  h.AddInt32(static_cast<uint32_t>(barKey1));
  h.AddInt32(static_cast<uint32_t>(barKey2));
  return h.Finish();
}

int CTrendRevMgr::Find(const char* symbol, int barKey1, int barKey2) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  if (lastFound_ >= 0) {
    const CTrendRevSym* s = series_.GetAt(lastFound_);
    if (s->barKey1 == barKey1 && s->barKey2 == barKey2 &&
        StrCompareNoCase(s->symbol.c_str(), symbol, 1) == 0)
      return lastFound_;
  }
  const auto range = index_.equal_range(KeyHash(symbol, barKey1, barKey2));
  int first = -1;
  for (auto it = range.first; it != range.second; ++it) {
    const CTrendRevSym* s = series_.GetAt(it->second);
    if (s->barKey1 == barKey1 && s->barKey2 == barKey2 &&
        StrCompareNoCase(s->symbol.c_str(), symbol, 1) == 0 && (first < 0 || it->second < first))
      first = it->second;
  }
  if (first >= 0) lastFound_ = first;
  return first;
}

int CTrendRevMgr::Append(std::unique_ptr<CTrendRevSym>& series) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  const int index = series_.GetSize();
  const auto entry =
      index_.emplace(KeyHash(series->symbol.c_str(), series->barKey1, series->barKey2), index);
  if (series_.Add(series.get()) < 0) {
    index_.erase(entry);
    throw std::bad_alloc();
  }
  series.release();
  return index;
}

void CTrendRevMgr::Replace(int index, std::unique_ptr<CTrendRevSym> fresh) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // Same identity, same hash: the index entry of the slot stays right as it is.
  CTrendRevSym* old = series_.GetAt(index);
  series_.SetAt(index, fresh.release());
  delete old;
}

}  // namespace vqm
