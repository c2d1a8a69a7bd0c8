// The library-wide lock's own type: recursive (the log and the settings cache take it again
// from inside an export), BasicLockable for std::lock_guard, with try_lock. Each OS gets its
// cheapest recursive lock, as every export takes it uncontended on almost every call: on
// Windows a critical section (recursive by itself, no kernel call while uncontended); on
// Linux one atomic word taken with one compare-and-swap and given back with a plain store,
// a futex to sleep on when it is contended, and the owner's thread id and depth for
// recursion (a pthread mutex, recursive or not, spends four times the instructions on its
// uncontended path, and a second locked instruction to release).
//
// Releasing with a plain store leaves a waiter's wake-up to a check that the store may pass
// on its way out of the processor: a thread about to sleep counts itself among the waiters
// and then has every running thread of the process pass a full memory barrier (membarrier),
// so an owner either sees the waiter when it releases or has released where the waiter sees
// it. The waiter pays a system call; the uncontended path pays nothing. Where the kernel
// offers no such barrier a sleeping waiter looks again every millisecond.
#pragma once

#if defined(_WIN32)
#include <cstdint>
#else
#include <atomic>
#include <thread>
#endif

namespace vqm::platform {

#if defined(_WIN32)

class LibraryMutex {
 public:
  LibraryMutex();
  ~LibraryMutex();  // the library's own is never destroyed: see LibraryLock()
  LibraryMutex(const LibraryMutex&) = delete;
  LibraryMutex& operator=(const LibraryMutex&) = delete;

  void lock();
  bool try_lock();
  void unlock();

 private:
  // A CRITICAL_SECTION (40 bytes on 64-bit Windows), kept opaque so that <windows.h> stays
  // out of every file that takes the lock.
  alignas(8) unsigned char section_[40];
};

#else

class LibraryMutex {
 public:
  constexpr LibraryMutex() = default;
  LibraryMutex(const LibraryMutex&) = delete;
  LibraryMutex& operator=(const LibraryMutex&) = delete;

  void lock() {
    const std::thread::id self = std::this_thread::get_id();
    // Only this thread ever stores its own id, so a relaxed read that sees it is exact.
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
    const std::thread::id self = std::this_thread::get_id();
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
    owner_.store(std::thread::id(), std::memory_order_relaxed);
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
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;  // touched only by the owner
};

#endif

}  // namespace vqm::platform
