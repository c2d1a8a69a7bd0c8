// The live handles of the series API, and the functions every series shares: the status
// texts, reset and free.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "base/prefetch.h"
#include "frame/export_frame.h"
#include "series/handle_table.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

// A function-local static: built on first use, so that loading the library builds nothing.
struct Registry {
  // The entry looked up last, by any thread: threads that push their own series in turn mix
  // their orders, which costs them the look-ahead, never a result. No thread-local (MinGW
  // makes each access a call). On a line of its own: every push writes it, and the table's
  // blocks, which every push reads, then stay shared between processors.
  alignas(64) std::atomic<SeriesEntry*> pushedLast{nullptr};
  alignas(64) HandleTable table;
  std::mutex writing;  // held to create and free a series

  // Learns the order the series are pushed in, and asks for the memory of the pushes likely
  // to come. e is the entry of s, the series pushed now. Entries are never freed, so the
  // walk reads them without a lock; what it finds may be stale, and is only asked for.
  void FollowOrder(SeriesEntry* e, const vqm_series* s) {
    SeriesEntry* const last = pushedLast.load(std::memory_order_relaxed);
    if (last != e) {
      // The series too: a freed series' entry is taken by the next one created.
      if (last != nullptr && (last->next.load(std::memory_order_relaxed) != e ||
                              last->nextSeries.load(std::memory_order_relaxed) != s)) {
        last->next.store(e, std::memory_order_relaxed);
        last->nextSeries.store(s, std::memory_order_relaxed);
      }
      pushedLast.store(e, std::memory_order_relaxed);
    }
    // Four pushes ahead: the fourth series from here has what its push reads past its
    // object asked for (its object and entry were asked for a push before), the fifth its
    // object and entry. Among 10 000 series three pushes gave the memory too little time to
    // come once lookups took no lock, five no more than four. A shorter chain asks for the
    // furthest series it knows. The steps are written out: this runs on every push among
    // many series, where a loop's count and tests cost as much as the steps.
    const auto next = [](const SeriesEntry* t) { return t->next.load(std::memory_order_relaxed); };
    SeriesEntry* const first = next(e);
    if (first == nullptr) return;
    SeriesEntry* const second = next(first);
    SeriesEntry* const third = second == nullptr ? nullptr : next(second);
    SeriesEntry* const fourth = third == nullptr ? nullptr : next(third);
    (fourth != nullptr  ? fourth
     : third != nullptr ? third
     : second != nullptr ? second
                         : first)
        ->FetchPublished();
    if (fourth == nullptr) return;
    const vqm_series* const fifth = fourth->nextSeries.load(std::memory_order_relaxed);
    if (fifth != nullptr) PrefetchBlock<vqm_series::kObjectBytes>(fifth);
    const SeriesEntry* const fifthEntry = next(fourth);
    if (fifthEntry != nullptr) Prefetch(fifthEntry);
  }
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: handles may outlive unload order
  return *registry;
}

}  // namespace

int RegisterSeries(vqm_series* series, vqm_series** out) {
  Registry& r = TheRegistry();
  uintptr_t handle = 0;
  try {
    std::lock_guard<std::mutex> hold(r.writing);
    handle = r.table.Add(series, &series->entry);
  } catch (...) {
    // The lock could not be taken: the series is not added.
  }
  if (handle == 0) {
    delete series;
    return VQM_E_MEMORY;
  }
  *out = reinterpret_cast<vqm_series*>(handle);
  return VQM_OK;
}

vqm_series* LiveSeries(const vqm_series* handle) {
  Registry& r = TheRegistry();
  const uintptr_t h = reinterpret_cast<uintptr_t>(handle);
  // Only the number is compared: an unknown handle is never read.
  SeriesEntry* e = nullptr;
  vqm_series* s = r.table.Find(h, &e);
  if (s == nullptr) return nullptr;
  r.FollowOrder(e, s);
  return s;
}

vqm_series* LiveSeries(const vqm_series* handle, SeriesKind kind) {
  vqm_series* s = LiveSeries(handle);
  return s != nullptr && s->kind == kind ? s : nullptr;
}

bool FreeSeries(const vqm_series* handle) {
  Registry& r = TheRegistry();
  vqm_series* s = nullptr;
  {
    std::lock_guard<std::mutex> hold(r.writing);
    s = r.table.Remove(reinterpret_cast<uintptr_t>(handle));
  }
  if (s == nullptr) return false;
  delete s;
  return true;
}

}  // namespace vqm

VQM_EXPORT const char* vqm_version(void) { return VQM_VERSION; }

VQM_EXPORT const char* vqm_error_text(int status) {
  switch (status) {
    case VQM_OK: return "success";
    case VQM_E_HANDLE: return "not a live series of this indicator";
    case VQM_E_ARGUMENT: return "a required array or output is null";
    case VQM_E_PARAMETER: return "a parameter the indicator refuses";
    case VQM_E_DATE: return "a date before 1990, or a date or time that is not valid";
    case VQM_E_MEMORY: return "out of memory";
    case VQM_E_INTERNAL: return "internal error";
    default: return "unknown status";
  }
}

VQM_EXPORT int vqm_series_reset(vqm_series* series) {
  return vqm::SeriesGuard([&] {
    vqm_series* s = vqm::LiveSeries(series);
    if (s == nullptr) return VQM_E_HANDLE;
    s->Reset();
    return VQM_OK;
  });
}

VQM_EXPORT int vqm_series_free(vqm_series* series) {
  if (series == nullptr) return VQM_OK;
  return vqm::SeriesGuard([&] { return vqm::FreeSeries(series) ? VQM_OK : VQM_E_HANDLE; });
}
