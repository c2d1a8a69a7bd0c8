// The frame every export runs in: the library-wide lock and the guard that keeps any
// exception from crossing into the host.
//
// RunGuarded sorts what it catches the way the guarded exports report it:
//   - kFramework: the library's CException family (deleted here) or memory exhaustion; the
//     message (at most 999 characters) is copied to `message`;
//   - kOther: anything else; `message` is left empty for the export to fill.
#pragma once

#include <cstddef>
#include <mutex>
#include <new>

#include "base/exceptions.h"
#include "base/lock_rule.h"
#include "base/text.h"
#include "platform/platform.h"

#if defined(_WIN32)
#define VQM_EXPORT extern "C"
#else
#define VQM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace vqm {

enum class Caught { kNone, kFramework, kOther };

constexpr int kErrorTextCapacity = 1000;  // 999 characters and the terminator

// Runs the body under whatever lock the caller holds: the thread-safety analysis checks a
// body where it is written (an export's body is marked VQM_REQUIRES_LIBRARY_LOCK), not here.
template <class Body>
VQM_NO_THREAD_SAFETY_ANALYSIS Caught RunGuarded(Body&& body, char* message, size_t size) {
  if (message != nullptr && size > 0) message[0] = 0;
  try {
    body();
    return Caught::kNone;
  } catch (CException* e) {
    if (e != nullptr) {
      if (message != nullptr && size > 0) e->GetErrorMessage(message, static_cast<unsigned>(size));
      e->Delete();
    }
    return Caught::kFramework;
  } catch (const std::bad_alloc&) {
    CopyBounded(message, static_cast<int>(size), "Out of memory.");
    return Caught::kFramework;
  } catch (...) {
    return Caught::kOther;
  }
}

// The outer frame of an export: holds the library-wide lock and turns any exception that
// escaped the export's own handling into `failure`. The body is written
// `[&]() VQM_REQUIRES_LIBRARY_LOCK { ... }`: it runs under the lock and may touch what it guards.
template <class Result, class Body>
Result ExportFrame(Result failure, Body&& body) {
  ExportLock lock;
  Result result = failure;
  if (RunGuarded([&]() VQM_REQUIRES_LIBRARY_LOCK { result = body(); }, nullptr, 0) != Caught::kNone)
    return failure;
  return result;
}

// An export whose usual call runs under the leaf hold of the calling thread's bias:
// usual(&result) does the call and returns true, or returns false with nothing changed, and
// makes no call that takes the lock, logs or throws. Any other call runs `body` in ExportFrame.
template <class Usual, class Body>
int LeafHoldOrExportFrame(int failure, Usual&& usual, Body&& body) {
  bool wakeRevoker = false;
  if (TryEnterLeafLock(wakeRevoker)) {
    int result = failure;
    if (usual(&result)) {
      if (__builtin_expect(LeaveLeafLock(), 0)) return WakeLeafLockRevokerThen(result);
      return result;
    }
    wakeRevoker = LeaveLeafLock();
  }
  if (__builtin_expect(wakeRevoker, 0)) WakeLeafLockRevoker();
  return ExportFrame(failure, static_cast<Body&&>(body));
}

// The frame of an export that touches no process-wide state and writes no log line: the
// exception guard alone, so that it never waits for another thread's export.
template <class Result, class Body>
Result StatelessExportFrame(Result failure, Body&& body) {
  Result result = failure;
  if (RunGuarded([&] { result = body(); }, nullptr, 0) != Caught::kNone) return failure;
  return result;
}

}  // namespace vqm
