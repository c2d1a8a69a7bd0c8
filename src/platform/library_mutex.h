// The library-wide lock's own type: recursive (the log and the settings cache take it again
// from inside an export), BasicLockable for std::lock_guard, with try_lock. Every export takes
// it, uncontended on almost every call, so it is one atomic word taken with one
// compare-and-swap and given back with a plain store, and the owner's thread number and depth
// for recursion (a pthread mutex spends four times the instructions on its uncontended path,
// and Windows' critical section a second locked instruction to release). A contended taker
// sleeps on the word: a futex on Linux, WaitOnAddress on Windows.
//
// Releasing with a plain store leaves a waiter's wake-up to a check that the store may pass
// on its way out of the processor: a thread about to sleep counts itself among the waiters
// and then has every running thread of the process pass a full memory barrier (membarrier on
// Linux, FlushProcessWriteBuffers on Windows), so an owner either sees the waiter when it
// releases or has released where the waiter sees it. The waiter pays a system call; the
// uncontended path pays nothing. Where the system offers no such barrier (an old kernel,
// Wine) a sleeping waiter looks again every millisecond, so a missed wake-up only delays it.
#pragma once

#include <atomic>
#include <cstdint>

#if defined(_WIN32)
#if !defined(__x86_64__)
#error "the thread's id is read from the x64 environment block"
#endif
#else
#include <pthread.h>
#endif

namespace vqm::platform {

// A number for the calling thread, never 0, unique among running threads.
#if defined(_WIN32)
// The thread's id from its environment block (what GetCurrentThreadId reads), without a
// call into the system and without <windows.h> in every file that takes the lock.
inline uintptr_t ThisThreadTag() {
  uintptr_t id;
  __asm__("movq %%gs:0x48, %0" : "=r"(id));
  return id;
}
#else
inline uintptr_t ThisThreadTag() { return static_cast<uintptr_t>(pthread_self()); }
#endif

class LibraryMutex {
 public:
  constexpr LibraryMutex() = default;
  LibraryMutex(const LibraryMutex&) = delete;
  LibraryMutex& operator=(const LibraryMutex&) = delete;

  void lock() {
    const uintptr_t self = ThisThreadTag();
    // Only this thread ever stores its own number, so a relaxed read that sees it is exact.
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    int expected = kFree;
    if (!state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      WaitAndTake();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }
  bool try_lock() {
    const uintptr_t self = ThisThreadTag();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    int expected = kFree;
    if (!state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      return false;
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    return true;
  }
  void unlock() {
    if (--depth_ > 0) return;
    owner_.store(0, std::memory_order_relaxed);
    state_.store(kFree, std::memory_order_release);
    // Only the compiler is kept from moving the check above the store: a waiter's barrier
    // orders the two for the processor (see the top of this file).
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (waiters_.load(std::memory_order_relaxed) != 0) WakeOne();
  }

 private:
  enum : int { kFree = 0, kHeld = 1 };

  void WaitAndTake();  // the contended path: sleeps on the state until it takes it
  void WakeOne();

  std::atomic<int> state_{kFree};
  std::atomic<int> waiters_{0};  // threads in WaitAndTake
  std::atomic<uintptr_t> owner_{0};
  int depth_ = 0;  // touched only by the owner
};

}  // namespace vqm::platform
