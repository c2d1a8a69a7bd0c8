// The library-wide lock's own type: recursive (the log and the settings cache take it again
// from inside an export), BasicLockable for std::lock_guard, with try_lock. Every export takes
// it, uncontended on almost every call, from one thread on almost every chart.
//
// So the lock is biased to the first thread that takes it: that thread enters and leaves with
// plain stores and a plain load (a locked instruction makes the processor finish all earlier
// work first, a third of a short export's time). Any other thread takes the lock word with a
// compare-and-swap, as every thread does once the bias is revoked, and the first such thread
// revokes it for good: it marks the bias revoked, has the biased thread pass a full memory
// barrier (membarrier on Linux; on Windows the thread suspended and its context read, which
// waits until it has stopped) and waits until that thread is outside. The biased thread marks
// itself inside before it reads the bias again, so after the barrier either the revoker sees
// it inside or it sees the bias revoked (Dekker's entry, with the barrier run on the other
// thread's behalf). Exclusion rests on that barrier only where the system confirms it: without
// membarrier (an old kernel, a sandbox) the lock is never biased. Windows' own process-wide
// barrier is not used for exclusion: under Wine 8 it does nothing.
//
// The lock word is given back with a plain store as well. A contended taker sleeps on the
// word (a futex on Linux, WaitOnAddress on Windows): it counts itself among the waiters and
// then has every running thread pass a full memory barrier, so an owner either sees it when it
// releases or has released where it sees that. Where the system offers no such barrier a
// sleeping waiter looks again every millisecond, so a missed wake-up only delays it; a revoker
// waiting for the biased thread to leave sleeps the same way.
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
#elif defined(__x86_64__)
// The thread pointer: the x86-64 TLS ABI keeps its own address in its first word, and it is
// the thread's control block (what pthread_self returns), without a call into the C library.
inline uintptr_t ThisThreadTag() {
  uintptr_t tcb;
  __asm__("movq %%fs:0, %0" : "=r"(tcb));
  return tcb;
}
#else
inline uintptr_t ThisThreadTag() { return static_cast<uintptr_t>(pthread_self()); }
#endif

// True when a word another thread may store holds `value`: a relaxed load, compared where it
// lies. GCC keeps an atomic load apart from its comparison (a load into a register, then the
// comparison), which costs a leaf an instruction and a register per test.
inline bool WordHolds(const std::atomic<uintptr_t>& word, uintptr_t value) {
#if defined(__x86_64__) && defined(__GCC_ASM_FLAG_OUTPUTS__)
  static_assert(sizeof(word) == sizeof(uintptr_t), "the word is read as it lies");
  bool equal;
  __asm__ volatile("cmpq %2, %1" : "=@cce"(equal) : "m"(word), "r"(value));
  return equal;
#else
  return word.load(std::memory_order_relaxed) == value;
#endif
}

// True when a flag another thread may store is set: the same, for a flag of the lock.
inline bool FlagSet(const std::atomic<int>& flag) {
#if defined(__x86_64__) && defined(__GCC_ASM_FLAG_OUTPUTS__)
  static_assert(sizeof(flag) == sizeof(int), "the flag is read as it lies");
  bool set;
  __asm__ volatile("cmpl $0, %1" : "=@ccne"(set) : "m"(flag));
  return set;
#else
  return flag.load(std::memory_order_relaxed) != 0;
#endif
}

class LibraryMutex {
 public:
  constexpr LibraryMutex() = default;
  LibraryMutex(const LibraryMutex&) = delete;
  LibraryMutex& operator=(const LibraryMutex&) = delete;

  void lock() {
    const uintptr_t self = ThisThreadTag();
    if (TakeAgainOrBiased(self)) return;
    int expected = kFree;
    if (!state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      WaitAndTake();
    TakeWord(self);
  }
  bool try_lock() {
    const uintptr_t self = ThisThreadTag();
    if (TakeAgainOrBiased(self)) return true;
    int expected = kFree;
    if (!state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      return false;
    if (!BiasSettled() && !SettleBias(self, false)) {
      ReleaseWord();
      return false;
    }
    Own(self, false);
    return true;
  }
  // A hold for a short piece of work that makes no call and takes the lock nowhere inside:
  // entered only through the calling thread's own bias while it holds the lock nowhere else,
  // so only the mark that the biased thread is inside is stored (no owner, depth or word).
  // False, with the lock as it was, in every other case: the caller then takes the lock, and
  // first wakes a revoker of the bias (WakeRevoker) when `wakeRevoker` is set (this call
  // makes no call either).
  bool TryEnterLeaf(uintptr_t self, bool& wakeRevoker) {
    if (__builtin_expect(WordHolds(owner_, self), 0)) return false;
    return EnterThroughBias(self, wakeRevoker);
  }
  // Leaves a hold entered through the bias (TryEnterLeaf's, or a biased lock()'s). True when
  // a revoker waits for the biased thread to be outside: the caller then wakes it with
  // WakeRevoker (a call the leaf itself avoids).
  bool LeaveLeaf() {
    biasedInside_.store(0, std::memory_order_release);
    // A revoker's barrier orders the store and the check for the processor.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    return FlagSet(revoking_);
  }
  void WakeRevoker();

  void unlock() {
    if (--depth_ > 0) return;
    owner_.store(0, std::memory_order_relaxed);
    if (__builtin_expect(heldBiased_, 1)) {
      heldBiased_ = false;
      if (LeaveLeaf()) WakeRevoker();
      return;
    }
    ReleaseWord();
  }

 private:
  enum : int { kFree = 0, kHeld = 1 };
  // bias_ holds 0 until a thread claims the bias, then that thread's number, then kRevoked.
  static constexpr uintptr_t kRevoked = ~static_cast<uintptr_t>(0);

  // True when the caller already holds the lock (one level deeper) or has entered through
  // its bias.
  bool TakeAgainOrBiased(uintptr_t self) {
    // Only this thread ever stores its own number, so a relaxed read that sees it is exact.
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    bool wakeRevoker = false;
    if (__builtin_expect(EnterThroughBias(self, wakeRevoker), 1)) {
      Own(self, true);
      return true;
    }
    if (wakeRevoker) WakeRevoker();
    return false;
  }
  // Enters through the calling thread's bias: marks it inside, then reads the bias again.
  // False when the bias is not, or no longer, this thread's; the mark is then taken back and
  // `wakeRevoker` says whether a revoker waits to be woken.
  bool EnterThroughBias(uintptr_t self, bool& wakeRevoker) {
    if (__builtin_expect(!WordHolds(bias_, self), 0)) return false;
    biasedInside_.store(1, std::memory_order_relaxed);
    // Only the compiler is kept from reading the bias before the store: a revoker's barrier
    // orders the two for the processor (see the top of this file).
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (__builtin_expect(WordHolds(bias_, self), 1)) return true;
    wakeRevoker = LeaveLeaf();
    return false;
  }
  // After the word is taken: the bias claimed or revoked where it has to be, then owned.
  void TakeWord(uintptr_t self) {
    if (!BiasSettled()) SettleBias(self, true);
    Own(self, false);
  }
  // True when a holder of the word may go in as it is: the bias revoked and its thread
  // outside (it may have been inside when a try_lock revoked it and gave up).
  bool BiasSettled() const {
    return bias_.load(std::memory_order_relaxed) == kRevoked &&
           biasedInside_.load(std::memory_order_acquire) == 0;
  }
  void Own(uintptr_t self, bool biased) {
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    heldBiased_ = biased;
  }
  void ReleaseWord() {
    state_.store(kFree, std::memory_order_release);
    // Only the compiler is kept from moving the check above the store: a waiter's barrier
    // orders the two for the processor (see the top of this file).
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (waiters_.load(std::memory_order_relaxed) != 0) WakeOne();
  }

  void WaitAndTake();  // the contended path: sleeps on the state until it takes it
  void WakeOne();
  // With the word held: claims an unclaimed bias for the caller (where the barrier exists) or
  // revokes another thread's, then waits until that thread is outside; when `wait` is false
  // and it is inside, gives up (the bias stays revoked) and returns false.
  bool SettleBias(uintptr_t self, bool wait);

  std::atomic<int> state_{kFree};
  std::atomic<int> waiters_{0};  // threads in WaitAndTake
  std::atomic<uintptr_t> owner_{0};
  std::atomic<uintptr_t> bias_{0};
  std::atomic<int> biasedInside_{0};  // 1 while the biased thread is inside (or entering)
  std::atomic<int> revoking_{0};      // 1 while a revoker waits for the biased thread
  int depth_ = 0;                     // touched only by the owner
  bool heldBiased_ = false;           // the owner entered through its bias; owner only
};

}  // namespace vqm::platform
