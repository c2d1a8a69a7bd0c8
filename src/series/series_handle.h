// The object behind a vqm_series handle, and the registry of live handles.
//
// A handle is a number the registry gave out (series/handle_table.h), not the object's
// address: it is only ever turned into its object through the registry, and a value that is
// not a live series of the asked indicator is refused without being dereferenced. A lookup
// takes no lock; creating and freeing a series take the registry's, never while a series
// computes. REQUIRES: one series is used by one thread at a time (freeing included).
#pragma once

#include <cstddef>

#include "series/handle_table.h"
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
  static constexpr int kAheadRanges = vqm::SeriesEntry::kAheadRanges;
  // The series' entry in the registry, set once when it is registered.
  vqm::SeriesEntry* entry = nullptr;

  // Records range i of what the series' next push reads past its object, as its own push
  // leaves it (bytes 0: nothing): the registry asks for it a few pushes ahead.
  void PublishAhead(int i, const void* at, size_t bytes) { entry->PublishAhead(i, at, bytes); }
  // The bytes of a series object the registry asks for ahead of its push: the fields above
  // and a series' own first few (a pattern-search series' history fields end there).
  static constexpr size_t kObjectBytes = 128;
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
