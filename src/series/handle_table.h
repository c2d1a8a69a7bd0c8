// The handles of the series API and the registry's entry for each series.
//
// A handle names an entry of one table and the turn the entry is in, so that a lookup reads
// one entry, found without a hash, and a handle of a series freed, or any value that is no
// handle, matches no entry. Nothing a handle names is read before it matched.
//
// A handle is turn << 32 | entry << 4 | 1: odd, never null. An entry keeps the handle it gave
// out while its series lives, and that handle with the low bit cleared once the series is
// freed: no handle then matches it, and the next series to take it gets the next turn. A
// stale handle could match again only after 2^32 series had taken its entry.
//
// Entries are never freed, and never move: any thread may read any entry at any time without
// a lock, so a push looks its series up, and follows the order series are pushed in from
// entry to entry, without taking one. Every field is atomic; all but the handle and the
// series are hints that no result depends on.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/prefetch.h"

struct vqm_series;

namespace vqm {

static_assert(sizeof(uintptr_t) == 8, "a handle carries its turn in its upper 32 bits");

// One cache line per series: what a lookup reads and what the registry keeps for the push
// order beside it.
struct alignas(64) SeriesEntry {
  static constexpr int kAheadRanges = 3;  // a pattern-search push reads three past its object

  std::atomic<uintptr_t> handle{0};          // as given out; even once freed (0: never)
  std::atomic<vqm_series*> series{nullptr};  // null once freed
  // A program that pushes its series in turn pushes them in the same order on every bar:
  // the entry and the series pushed after this one, last time.
  std::atomic<SeriesEntry*> next{nullptr};
  std::atomic<const vqm_series*> nextSeries{nullptr};
  std::atomic<uint16_t> aheadBytes[kAheadRanges] = {};
  // What the series' next push reads past its object, as its own push leaves it.
  std::atomic<const void*> aheadAt[kAheadRanges] = {};

  // Records range i (bytes 0: nothing); at most kAheadBytes of a range are asked for.
  void PublishAhead(int i, const void* at, size_t bytes) {
    aheadAt[i].store(at, std::memory_order_relaxed);
    aheadBytes[i].store(static_cast<uint16_t>(bytes < kAheadBytes ? bytes : kAheadBytes),
                        std::memory_order_relaxed);
  }
  // Asks for the ranges published, the loop over them written out.
  void FetchPublished() const {
#pragma GCC unroll 3
    for (int i = 0; i < kAheadRanges; ++i)
      PrefetchLines(aheadAt[i].load(std::memory_order_relaxed),
                    aheadBytes[i].load(std::memory_order_relaxed));
  }

 private:
  static constexpr size_t kAheadBytes = 4096;
};
static_assert(sizeof(SeriesEntry) == 64, "an entry is one cache line");

class HandleTable {
 public:
  // The entry a handle names: the bits from 4 on that can number an entry. Any other bits
  // of a value that is no handle are left to the comparison with the entry's handle.
  static uint32_t EntryOf(uintptr_t handle) {
    return static_cast<uint32_t>(handle >> 4) & (kMaxEntries - 1);
  }

  // The entry numbered i, or null when there is none. Any thread. REQUIRES: i < kMaxEntries
  // (as EntryOf gives).
  SeriesEntry* At(uint32_t i) const {
    const int block = BlockOf(i);
    SeriesEntry* first = blocks_[block].load(std::memory_order_acquire);
    if (first == nullptr) return nullptr;
    return first + (block == 0 ? i : i - (uint32_t{1} << (block + 7)));
  }

  // The live series of a handle, else null; its entry in *entry. Any thread.
  vqm_series* Find(uintptr_t handle, SeriesEntry** entry) const {
    SeriesEntry* e = At(EntryOf(handle));
    if (e == nullptr || e->handle.load(std::memory_order_acquire) != handle) return nullptr;
    *entry = e;
    return e->series.load(std::memory_order_relaxed);
  }

  // Gives series an entry (in *entry) and returns its handle; 0 when memory runs out or
  // every entry is taken (nothing changed). REQUIRES: the writers' lock.
  uintptr_t Add(vqm_series* series, SeriesEntry** entry) {
    uint32_t i;
    if (!free_.empty()) {
      i = free_.back();
      free_.pop_back();
    } else {
      if (made_ == kMaxEntries || !MakeRoomFor(made_)) return 0;
      i = made_++;
    }
    SeriesEntry* e = At(i);
    uint32_t turn = static_cast<uint32_t>(e->handle.load(std::memory_order_relaxed) >> 32) + 1;
    if (turn == 0) turn = 1;
    const uintptr_t handle = uintptr_t{turn} << 32 | uintptr_t{i} << 4 | 1;
    for (std::atomic<uint16_t>& bytes : e->aheadBytes) bytes.store(0, std::memory_order_relaxed);
    e->series.store(series, std::memory_order_relaxed);
    e->handle.store(handle, std::memory_order_release);
    *entry = e;
    return handle;
  }

  // Frees the handle's entry and returns its series; null when the handle is not live.
  // REQUIRES: the writers' lock.
  vqm_series* Remove(uintptr_t handle) {
    SeriesEntry* e = nullptr;
    vqm_series* series = Find(handle, &e);
    if (series == nullptr) return nullptr;
    e->handle.store(handle & ~uintptr_t{1}, std::memory_order_relaxed);
    e->series.store(nullptr, std::memory_order_relaxed);
    free_.push_back(EntryOf(handle));  // never allocates: room was made with the entry
    return series;
  }

 private:
  static constexpr int kBlocks = 17;
  static constexpr uint32_t kMaxEntries = uint32_t{1} << 24;  // the end of block 16

  // Block 0 holds entries 0 .. 255, block b >= 1 entries 2^(b + 7) .. 2^(b + 8) - 1.
  static int BlockOf(uint32_t i) { return 31 - __builtin_clz(i | 0xFFu) - 7; }

  // Makes the block that entry i starts, when it starts one, and room in the free list for
  // every entry made so far. False when memory runs out.
  bool MakeRoomFor(uint32_t i) {
    if (i != 0 && (i < 256 || (i & (i - 1)) != 0)) return true;
    const uint32_t entries = i == 0 ? 256 : i;  // block 1 holds 256, then each doubles
    try {
      free_.reserve(static_cast<size_t>(i) + entries);
      SeriesEntry* block = new SeriesEntry[entries];
      blocks_[BlockOf(i)].store(block, std::memory_order_release);
    } catch (...) {
      return false;
    }
    return true;
  }

  std::atomic<SeriesEntry*> blocks_[kBlocks] = {};  // never freed: entries never move
  uint32_t made_ = 0;                                // entries made (writers only)
  std::vector<uint32_t> free_;                       // freed entries, the last freed first
};

}  // namespace vqm
