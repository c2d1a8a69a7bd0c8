// The lock rule: the host may call from several threads, so every export holds the
// library-wide lock (platform::LibraryLock) while it touches process-wide state, and each
// function that relies on it says "REQUIRES: the library-wide lock" in its comment. In
// debug and sanitizer builds (VQM_CHECK_LOCK_RULE) such functions check it on entry with
// VQM_ASSERT_LIBRARY_LOCK_HELD(), and a breach stops the process with the function's name.
//
// ExportLock takes the lock and, where the rule is checked, counts it for the calling thread:
// the check needs nothing from the lock's own type, whatever platform provides. Other builds
// keep no count, so an export pays for the lock alone.
//
// The same rule is checked statically under clang: kLibraryLock names the lock for the
// thread-safety analysis, ExportLock acquires it, state the lock guards is declared
// VQM_GUARDED_BY(kLibraryLock) and functions that need it VQM_REQUIRES_LIBRARY_LOCK, as is
// the body an export hands to its frame.
#pragma once

#include <mutex>
#include <type_traits>

#include "base/thread_safety.h"
#include "platform/platform.h"

namespace vqm {

// The library-wide lock as the thread-safety analysis sees it: a name, never locked itself.
class VQM_CAPABILITY("mutex") LibraryLockName {};
extern LibraryLockName kLibraryLock;

#define VQM_REQUIRES_LIBRARY_LOCK VQM_REQUIRES(::vqm::kLibraryLock)

using LibraryLockType = std::remove_reference_t<decltype(platform::LibraryLock())>;

// How many ExportLocks the calling thread holds.
int& LibraryLockDepth();

class VQM_SCOPED_CAPABILITY ExportLock {
 public:
  ExportLock() VQM_ACQUIRE(kLibraryLock) : ExportLock(platform::LibraryLock()) {}
#if defined(VQM_CHECK_LOCK_RULE)
  explicit ExportLock(LibraryLockType& lock) VQM_ACQUIRE(kLibraryLock) : hold_(lock) {
    ++LibraryLockDepth();
  }
  ~ExportLock() VQM_RELEASE() { --LibraryLockDepth(); }
#else
  explicit ExportLock(LibraryLockType& lock) VQM_ACQUIRE(kLibraryLock) : hold_(lock) {}
  ~ExportLock() VQM_RELEASE() {}
#endif
  ExportLock(const ExportLock&) = delete;
  ExportLock& operator=(const ExportLock&) = delete;

 private:
  std::lock_guard<LibraryLockType> hold_;
};

inline bool LibraryLockHeldHere() { return LibraryLockDepth() > 0; }

// The lock for an export's usual case, a piece of work that calls nothing while it holds
// it: entered only through the calling thread's bias (LibraryMutex::TryEnterLeaf). False,
// with nothing taken, when that is not how this thread may enter now; the export then runs
// its general path under ExportLock, waking a revoker of the bias first when `wakeRevoker`
// is set.
// (The analysis takes the annotations on trust: the lock itself is not annotated.)
inline bool TryEnterLeafLock(bool& wakeRevoker) VQM_TRY_ACQUIRE(true, kLibraryLock)
    VQM_NO_THREAD_SAFETY_ANALYSIS {
  if (!platform::LibraryLock().TryEnterLeaf(platform::ThisThreadTag(), wakeRevoker))
    return false;
#if defined(VQM_CHECK_LOCK_RULE)
  ++LibraryLockDepth();
#endif
  return true;
}
// Leaves what TryEnterLeafLock took. True when a revoker of the bias waits: the caller
// wakes it (WakeLeafLockRevoker) once it may make calls again.
inline bool LeaveLeafLock() VQM_RELEASE(kLibraryLock) VQM_NO_THREAD_SAFETY_ANALYSIS {
#if defined(VQM_CHECK_LOCK_RULE)
  --LibraryLockDepth();
#endif
  return platform::LibraryLock().LeaveLeaf();
}
inline void WakeLeafLockRevoker() { platform::LibraryLock().WakeRevoker(); }
// A waiting revoker woken, then `result`: the one call a leaf makes, once it has left the
// lock, when LeaveLeafLock found a revoker waiting.
[[gnu::noinline, gnu::cold]] int WakeLeafLockRevokerThen(int result);

// Reports the breach on standard error and aborts.
[[noreturn]] void LockRuleBroken(const char* function);

}  // namespace vqm

#if defined(VQM_CHECK_LOCK_RULE)
#define VQM_ASSERT_LIBRARY_LOCK_HELD()                               \
  do {                                                               \
    if (!::vqm::LibraryLockHeldHere()) ::vqm::LockRuleBroken(__func__); \
  } while (0)
#else
#define VQM_ASSERT_LIBRARY_LOCK_HELD() ((void)0)
#endif
