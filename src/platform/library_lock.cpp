#include <new>
#include <type_traits>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <linux/futex.h>
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

void LibraryMutex::WaitAndTake(int seen) {
  // Marks the lock contended before sleeping, so that its holder wakes a sleeper at unlock;
  // a thread that takes it this way leaves it marked, at the cost of one spare wake-up.
  int* const word = reinterpret_cast<int*>(&state_);
  if (seen != kContended) seen = state_.exchange(kContended, std::memory_order_acquire);
  while (seen != kFree) {
    syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, kContended, nullptr, nullptr, 0);
    seen = state_.exchange(kContended, std::memory_order_acquire);
  }
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
