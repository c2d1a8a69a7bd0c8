// The live handles of the series API, and the functions every series shares: the status
// texts, reset and free.
#include <atomic>
#include <shared_mutex>

#include "frame/export_frame.h"
#include "series/handle_table.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

// A function-local static: built on first use, so that loading the library builds nothing.
// The fields every push writes share the first cache line: a push from another processor
// then moves one line, not three.
struct alignas(64) Registry {
  // The series looked up last, by any thread: threads that push their own series in turn
  // mix their orders, which costs them the look-ahead, never a result. No thread-local
  // (MinGW makes each access a call). Live or null: a series freed is unset here.
  std::atomic<vqm_series*> pushedLast{nullptr};
  // Set, besides the lock held shared, while the links between series change. Only a change
  // of order sets it, and a push that finds it set learns nothing (the links are hints).
  std::atomic<bool> relinking{false};
  std::shared_mutex lock;
  HandleTable live;  // a lookup reads one entry

  // Links `before` to s, whose handle names entry `entry`, after cutting the link each had on
  // that side, so that every link keeps its pair. REQUIRES: relinking or the lock held
  // exclusively; before != s, both live.
  static void Link(vqm_series* before, vqm_series* s, uint32_t entry) {
    if (before->pushedNext.load(std::memory_order_relaxed) == s) return;
    CutNext(before);
    CutBefore(s);
    before->pushedNext.store(s, std::memory_order_relaxed);
    before->pushedNextEntry.store(entry, std::memory_order_relaxed);
    s->pushedBefore.store(before, std::memory_order_relaxed);
  }

  // Removes every link to s, before s is freed. REQUIRES: the lock held exclusively.
  void Unlink(vqm_series* s) {
    CutNext(s);
    CutBefore(s);
    if (pushedLast.load(std::memory_order_relaxed) == s)
      pushedLast.store(nullptr, std::memory_order_relaxed);
  }

  // Cut s's link to the series pushed after it (CutNext) or before it (CutBefore), both
  // sides of the pair. REQUIRES: as Link.
  static void CutNext(vqm_series* s) {
    vqm_series* next = s->pushedNext.exchange(nullptr, std::memory_order_relaxed);
    if (next != nullptr) next->pushedBefore.store(nullptr, std::memory_order_relaxed);
  }
  static void CutBefore(vqm_series* s) {
    vqm_series* before = s->pushedBefore.exchange(nullptr, std::memory_order_relaxed);
    if (before != nullptr) before->pushedNext.store(nullptr, std::memory_order_relaxed);
  }

  // Learns the order the series are pushed in, and asks for the memory of the pushes likely
  // to come. Holding the lock shared keeps every series it finds live until it is done, and
  // every link names a live series: none is looked up. s's handle names entry `entry`.
  void FollowOrder(vqm_series* s, uint32_t entry) {
    vqm_series* last = pushedLast.load(std::memory_order_relaxed);
    if (last != s) {
      if (last != nullptr && last->pushedNext.load(std::memory_order_relaxed) != s &&
          !relinking.exchange(true, std::memory_order_acquire)) {
        Link(last, s, entry);
        relinking.store(false, std::memory_order_release);
      }
      pushedLast.store(s, std::memory_order_relaxed);
    }
    // Three pushes ahead: the third series from here publishes what its push reads (its
    // object and slot were asked for a push before), the fourth has its object and slot asked
    // for. Among 10 000 series two pushes gave the memory too little time to come, four no
    // more than three. A shorter chain asks for the furthest series it knows. The three steps
    // are written out: this runs on every push among many series, where a loop's count and
    // tests cost as much as the steps.
    const auto next = [](const vqm_series* t) {
      return t->pushedNext.load(std::memory_order_relaxed);
    };
    vqm_series* const first = next(s);
    if (first == nullptr) return;
    vqm_series* const second = next(first);
    vqm_series* const third = second == nullptr ? nullptr : next(second);
    (third != nullptr ? third : second != nullptr ? second : first)->FetchPublished();
    vqm_series* const fourth = third == nullptr ? nullptr : next(third);
    if (fourth == nullptr) return;
    PrefetchBlock<vqm_series::kObjectBytes>(fourth);  // its order, ranges and own fields
    live.FetchEntry(third->pushedNextEntry.load(std::memory_order_relaxed));
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
    std::unique_lock<std::shared_mutex> hold(r.lock);
    handle = r.live.Add(series);
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
  std::shared_lock<std::shared_mutex> hold(r.lock);
  // Only the number is compared: an unknown handle is never read.
  vqm_series* s = r.live.Find(h);
  if (s == nullptr) return nullptr;
  r.FollowOrder(s, HandleTable::EntryOf(h));
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
    std::unique_lock<std::shared_mutex> hold(r.lock);
    s = r.live.Remove(reinterpret_cast<uintptr_t>(handle));
    if (s == nullptr) return false;
    r.Unlink(s);
  }
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
