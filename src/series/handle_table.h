// The handles of the series API: a handle names an entry of one array and the turn the entry
// is in, so that a lookup reads one entry, found without a hash, and a handle of a series
// freed, or any value that is no handle, matches no entry. Nothing a handle names is read
// before it matched.
//
// A handle is turn << 32 | entry << 4 | 1: odd, never null. An entry keeps the handle it gave
// out while its series lives, and that handle with the low bit cleared once the series is
// freed: no handle then matches it, and the next series to take it gets the next turn. A
// stale handle could match again only after 2^32 series had taken its entry.
// REQUIRES: the caller's lock, held exclusively to add and remove, shared to find.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/prefetch.h"

struct vqm_series;

namespace vqm {

static_assert(sizeof(uintptr_t) == 8, "a handle carries its turn in its upper 32 bits");

class HandleTable {
 public:
  // The entry a handle names: the bits above the low four, up to 2^28 entries.
  static uint32_t EntryOf(uintptr_t handle) {
    return static_cast<uint32_t>(handle >> 4) & kEntryMask;
  }

  // Gives series an entry and returns its handle; 0 when memory runs out or every entry is
  // taken (nothing changed).
  uintptr_t Add(vqm_series* series) {
    uint32_t entry;
    if (!free_.empty()) {
      entry = free_.back();
      free_.pop_back();
    } else {
      if (entries_.size() > kEntryMask) return 0;
      try {
        // Room to free every entry, made now (doubling): removing never allocates.
        if (free_.capacity() <= entries_.size()) free_.reserve(2 * entries_.size() + 16);
        entries_.push_back(Entry{0, nullptr});
      } catch (...) {
        return 0;
      }
      entry = static_cast<uint32_t>(entries_.size() - 1);
    }
    Entry& e = entries_[entry];
    uint32_t turn = static_cast<uint32_t>(e.handle >> 32) + 1;
    if (turn == 0) turn = 1;
    e.handle = uintptr_t{turn} << 32 | uintptr_t{entry} << 4 | 1;
    e.series = series;
    return e.handle;
  }

  // The series of a live handle, else null.
  vqm_series* Find(uintptr_t handle) const {
    const uint32_t entry = EntryOf(handle);
    if (entry >= entries_.size()) return nullptr;
    const Entry& e = entries_[entry];
    return e.handle == handle ? e.series : nullptr;
  }

  // Frees the handle's entry and returns its series; null when the handle is not live.
  vqm_series* Remove(uintptr_t handle) {
    vqm_series* series = Find(handle);
    if (series == nullptr) return nullptr;
    const uint32_t entry = EntryOf(handle);
    entries_[entry] = Entry{handle & ~uintptr_t{1}, nullptr};
    free_.push_back(entry);
    return series;
  }

  // Asks for the entry a lookup of a handle naming `entry` reads. Any number is fine.
  void FetchEntry(uint32_t entry) const {
    if (entry < entries_.size()) Prefetch(&entries_[entry]);
  }

 private:
  static constexpr uint32_t kEntryMask = (uint32_t{1} << 28) - 1;
  struct Entry {
    uintptr_t handle;    // as given out; even once freed
    vqm_series* series;  // null once freed
  };
  std::vector<Entry> entries_;
  std::vector<uint32_t> free_;  // freed entries, the last freed taken first
};

}  // namespace vqm
