// The object behind a vqm_series handle, and the registry of live handles.
//
// A handle is a number the registry gave out (series/handle_table.h), not the object's
// address: it is only ever turned into its object through the registry, and a value that is
// not a live series of the asked indicator is refused without being dereferenced. The
// registry's lock is held while a handle is looked up, created or freed, never while a
// series computes. REQUIRES: one series is used by one thread at a time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/prefetch.h"
#include "vqm/series.h"

namespace vqm {

enum class SeriesKind { kRareAvg, kTrendReversal, kBsp, kPatternSearch, kPriceNorm };

}  // namespace vqm

struct vqm_series {
  explicit vqm_series(vqm::SeriesKind k) : kind(k) {}
  virtual ~vqm_series() = default;
  vqm_series(const vqm_series&) = delete;
  vqm_series& operator=(const vqm_series&) = delete;
  // Back to the state the series was created in. May throw (memory).
  virtual void Reset() = 0;
  const vqm::SeriesKind kind;
  // A pattern-search push, the one that publishes, reads three ranges past its object.
  static constexpr int kAheadRanges = 3;

 private:
  // Beside the kind, in the padding before the pointers: the fields every series shares then
  // take 64 bytes, and the rest of the kObjectBytes the registry asks for ahead of a push
  // are the series' own.
  std::atomic<uint16_t> aheadBytes_[kAheadRanges] = {};

 public:
  // The registry's entry of the series pushed after this one (pushedNext, below), kept with
  // the link: the entry is asked for ahead without reading that series. A hint like the links.
  std::atomic<uint32_t> pushedNextEntry{0};

  // A program that pushes its series in turn pushes them in the same order on every bar; the
  // registry follows that order and asks ahead for the memory of the push to come. Any thread
  // reads these while it holds the registry's lock shared, which keeps the series alive: they
  // are atomic, and hints that no result depends on. The registry links and unlinks them in
  // pairs (pushedNext of one, pushedBefore of the other) and unlinks a series it frees, so a
  // link always names a live series and is followed without a lookup.
  // The series pushed after this one, last time, and the one this was pushed after.
  std::atomic<vqm_series*> pushedNext{nullptr};
  std::atomic<vqm_series*> pushedBefore{nullptr};

  // Records range i of what the series' next push reads (bytes 0: nothing), as its own push
  // leaves it. At most kAheadBytes of a range are asked for.
  void PublishAhead(int i, const void* at, size_t bytes) {
    aheadAt_[i].store(at, std::memory_order_relaxed);
    aheadBytes_[i].store(static_cast<uint16_t>(bytes < kAheadBytes ? bytes : kAheadBytes),
                         std::memory_order_relaxed);
  }
  // Asks for the ranges the series published, the loop over them written out.
  void FetchPublished() const {
#pragma GCC unroll 3
    for (int i = 0; i < kAheadRanges; ++i)
      vqm::PrefetchLines(aheadAt_[i].load(std::memory_order_relaxed),
                         aheadBytes_[i].load(std::memory_order_relaxed));
  }
  // The bytes of a series object the registry asks for ahead of its push: the fields above
  // and a series' own first few (a pattern-search series' history fields end there).
  static constexpr size_t kObjectBytes = 168;

 private:
  static constexpr size_t kAheadBytes = 4096;
  std::atomic<const void*> aheadAt_[kAheadRanges] = {};
};

namespace vqm {

// Registers a new series and hands out its handle: VQM_OK, or VQM_E_MEMORY (the series is
// deleted). out must not be null.
int RegisterSeries(vqm_series* series, vqm_series** out);
// The series behind the handle when it is live and of this kind, else null.
vqm_series* LiveSeries(const vqm_series* handle, SeriesKind kind);
// Any live series, else null.
vqm_series* LiveSeries(const vqm_series* handle);
// Unregisters and deletes the series; false when the handle is not live.
bool FreeSeries(const vqm_series* handle);

// Runs body, returning its status; an exception becomes VQM_E_MEMORY or VQM_E_INTERNAL.
template <class Body>
int SeriesGuard(Body&& body) noexcept;

// The handle as its indicator's object (Series derives from vqm_series with a kKind).
template <class Series>
Series* Live(vqm_series* handle) {
  return static_cast<Series*>(LiveSeries(handle, Series::kKind));
}

}  // namespace vqm

#include "series/series_guard.h"
