#include <atomic>
#include <ctime>
#include <new>
#include <type_traits>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <linux/futex.h>
#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace vqm::platform {

#if defined(_WIN32)

static_assert(sizeof(CRITICAL_SECTION) <= 40 && alignof(CRITICAL_SECTION) <= 8,
              "LibraryMutex's storage holds a CRITICAL_SECTION");

LibraryMutex::LibraryMutex() {
  InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}
LibraryMutex::~LibraryMutex() { DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
void LibraryMutex::lock() { EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
bool LibraryMutex::try_lock() {
  return TryEnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)) != 0;
}
void LibraryMutex::unlock() { LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }

LibraryMutex& LibraryLock() {
  // Built on first use in the library's own storage and never destroyed, so an export
  // called during unload still finds it, and nothing is left on the heap once the library
  // is unloaded.
  alignas(LibraryMutex) static unsigned char storage[sizeof(LibraryMutex)];
  static LibraryMutex* lock = new (storage) LibraryMutex;
  return *lock;
}

#else

namespace {

// Has every running thread of the process pass a full memory barrier; false where the
// kernel offers no such call (before Linux 4.14, or refused by a sandbox).
bool BarrierOnEveryThread() {
  // 1: registered, -1: not available; 0: not asked yet (registering twice is harmless).
  static std::atomic<int> registered{0};
  int state = registered.load(std::memory_order_relaxed);
  if (state == 0) {
    state = syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 ? 1 : -1;
    registered.store(state, std::memory_order_relaxed);
  }
  return state > 0 && syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0;
}

}  // namespace

void LibraryMutex::WaitAndTake() {
  waiters_.fetch_add(1, std::memory_order_seq_cst);
  // From here on an owner's release either sees this waiter or is seen by it (the top of
  // library_mutex.h). Without the barrier a wake-up may be missed: the timed sleep bounds it.
  BarrierOnEveryThread();
  int* const word = reinterpret_cast<int*>(&state_);
  const timespec retry = {0, 1000000};
  for (;;) {
    int expected = kFree;
    if (state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                       std::memory_order_relaxed))
      break;
    syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, kHeld, &retry, nullptr, 0);
  }
  waiters_.fetch_sub(1, std::memory_order_relaxed);
}

void LibraryMutex::WakeOne() {
  syscall(SYS_futex, reinterpret_cast<int*>(&state_), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

namespace {
// Constant-initialised and trivially destroyed: there from load to unload without a
// first-use check, and an export called during unload still finds it.
LibraryMutex g_libraryMutex;
static_assert(std::is_trivially_destructible_v<LibraryMutex>);
static_assert(sizeof(std::atomic<int>) == sizeof(int) && std::atomic<int>::is_always_lock_free,
              "the futex sleeps on the atomic's own word");
}  // namespace

LibraryMutex& LibraryLock() { return g_libraryMutex; }

#endif

}  // namespace vqm::platform
