#include "indicators/trend_reversal_manager.h"

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
  h.AddUpperCased(symbol);
  h.AddInt32(static_cast<uint32_t>(barKey1));
  h.AddInt32(static_cast<uint32_t>(barKey2));
  return h.Finish();
}

namespace {

// A script passes its symbol as it was first passed, mostly: the same bytes are tried first.
bool Matches(const CTrendRevSym& s, const char* symbol, int barKey1, int barKey2) {
  return s.barKey1 == barKey1 && s.barKey2 == barKey2 &&
         (SameBytes(symbol, s.symbol) ||
          StrCompareNoCase(s.symbol.c_str(), symbol, 1) == 0);
}

}  // namespace

int CTrendRevMgr::Find(const char* symbol, int barKey1, int barKey2) const {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // The series found last, when the script passes the same keys and the same bytes; another
  // spelling of its symbol is found by the index like any other series.
  const auto sameBytes = [&](int index) {
    const CTrendRevSym& s = *series_.GetAt(index);
    return s.barKey1 == barKey1 && s.barKey2 == barKey2 &&
           SameBytes(symbol, s.symbol);
  };
  bool moved = false;
  const int ordered = order_.Find(sameBytes, &moved);
  if (ordered >= 0) return moved ? FetchAhead(ordered) : ordered;
  // A series is appended only when none has its keys: at most one entry matches, the first.
  const Entry* found = index_.Find(KeyHash(symbol, barKey1, barKey2), [&](const Entry& e) {
    return Matches(*e.series, symbol, barKey1, barKey2);
  });
  if (found == nullptr) return -1;
  // Another series than the last: its memory has likely left the cache since its last call.
  found->series->PrefetchForMeasure();
  return FetchAhead(order_.Learn(found->index));
}

int CTrendRevMgr::FetchAhead(int index) const {
  // A series' averages and window; its object, before its keys are compared.
  order_.FetchAhead(
      index, [&](int i) { series_.GetAt(i)->PrefetchForMeasure(); },
      [&](int i) { series_.GetAt(i)->PrefetchObject(); });
  return index;
}

int CTrendRevMgr::Append(std::unique_ptr<CTrendRevSym>& series) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  const int index = series_.GetSize();
  CTrendRevSym* s = series.get();
  const uint64_t hash = KeyHash(s->symbol.c_str(), s->barKey1, s->barKey2);
  if (!order_.Grow()) throw std::bad_alloc();  // before anything has changed
  if (!index_.Insert(hash, Entry{s, index})) {
    order_.Shrink();
    throw std::bad_alloc();
  }
  if (series_.Add(s) < 0) {
    index_.Erase(hash, [&](const Entry& e) { return e.series == s; });
    order_.Shrink();
    throw std::bad_alloc();
  }
  series.release();
  return index;
}

void CTrendRevMgr::Replace(int index, std::unique_ptr<CTrendRevSym> fresh) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  // Same identity, same hash: the entry stays in its slot and takes the fresh series.
  CTrendRevSym* old = series_.GetAt(index);
  Entry* entry = index_.Find(KeyHash(old->symbol.c_str(), old->barKey1, old->barKey2),
                             [&](const Entry& e) { return e.series == old; });
  if (entry != nullptr) entry->series = fresh.get();
  series_.SetAt(index, fresh.release());
  delete old;
}

}  // namespace vqm
