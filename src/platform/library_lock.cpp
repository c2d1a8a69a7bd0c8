#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>
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
namespace {

// Each OS's calls for the slow paths: every running thread passes a full memory barrier
// (nothing where the system offers none); sleep while *word holds `held`, a millisecond at
// most; wake one sleeper on word; and, to revoke the bias, a full barrier passed by one given
// thread, which ThreadBarrierAvailable says the system provides for certain.
#if defined(_WIN32)

// WaitOnAddress and WakeByAddressSingle come with Windows 8; looked up at run time so that
// the library still loads where they are missing (it then sleeps a millisecond at a time).
struct AddressWaits {
  BOOL(WINAPI* wait)(volatile VOID*, PVOID, SIZE_T, DWORD) = nullptr;
  VOID(WINAPI* wake)(PVOID) = nullptr;
};

const AddressWaits& Waits() {
  static const AddressWaits waits = [] {
    AddressWaits w;
    if (HMODULE base = GetModuleHandleW(L"kernelbase.dll")) {
      // Through a plain function pointer type, which any function pointer converts to.
      using Plain = void (*)();
      w.wait = reinterpret_cast<decltype(w.wait)>(
          reinterpret_cast<Plain>(GetProcAddress(base, "WaitOnAddress")));
      w.wake = reinterpret_cast<decltype(w.wake)>(
          reinterpret_cast<Plain>(GetProcAddress(base, "WakeByAddressSingle")));
    }
    if (w.wait == nullptr || w.wake == nullptr) w = AddressWaits{};
    return w;
  }();
  return waits;
}

void BarrierOnEveryThread() { FlushProcessWriteBuffers(); }

// Suspending a thread and reading its context waits until it has stopped (the context read
// does: a suspension alone may still be on its way), and a thread stops only with every
// store it made visible. Always there, under Wine too, so a bias may always be claimed.
bool ThreadBarrierAvailable() { return true; }

void BarrierOnThread(uintptr_t tag) {
  const DWORD id = static_cast<DWORD>(tag);
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | SYNCHRONIZE, FALSE, id);
  // No such thread: it has ended, and its stores with it.
  if (thread == nullptr) return;
  if (SuspendThread(thread) != static_cast<DWORD>(-1)) {
    alignas(16) CONTEXT context = {};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(thread, &context);
    ResumeThread(thread);
  } else {
    // A thread that cannot be suspended is ending: wait until it has.
    WaitForSingleObject(thread, INFINITE);
  }
  CloseHandle(thread);
}

void SleepWhileHeld(std::atomic<int>& word, int held) {
  if (Waits().wait != nullptr)
    Waits().wait(reinterpret_cast<volatile VOID*>(&word), &held, sizeof held, 1);
  else
    Sleep(1);
}

void WakeOneSleeper(std::atomic<int>& word) {
  if (Waits().wake != nullptr) Waits().wake(reinterpret_cast<PVOID>(&word));
}

#else

// True when this process may ask for expedited barriers: registered once (registering twice
// is harmless). False before Linux 4.14 or where a sandbox refuses it.
bool MembarrierRegistered() {
  // 1: registered, -1: not available; 0: not asked yet.
  static std::atomic<int> registered{0};
  int state = registered.load(std::memory_order_relaxed);
  if (state == 0) {
    state = syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 ? 1 : -1;
    registered.store(state, std::memory_order_relaxed);
  }
  return state > 0;
}

void BarrierOnEveryThread() {
  if (MembarrierRegistered()) syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
}

// Once registered, the expedited barrier does not fail: every running thread of the process
// has passed a full barrier when it returns (and one that is not running passes one when it
// is scheduled).
bool ThreadBarrierAvailable() { return MembarrierRegistered(); }

void BarrierOnThread(uintptr_t) {
  if (syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0) return;
  // The child of a fork starts unregistered (registration belongs to the address space).
  if (syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 &&
      syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0)
    return;
  // Not given to a registered process: stop rather than break exclusion.
  abort();
}

void SleepWhileHeld(std::atomic<int>& word, int held) {
  const timespec retry = {0, 1000000};
  syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, held, &retry, nullptr, 0);
}

void WakeOneSleeper(std::atomic<int>& word) {
  syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

#endif

static_assert(sizeof(std::atomic<int>) == sizeof(int) && std::atomic<int>::is_always_lock_free,
              "a sleeper waits on the atomic's own word");

}  // namespace

void LibraryMutex::WaitAndTake() {
  waiters_.fetch_add(1, std::memory_order_seq_cst);
  // From here on an owner's release either sees this waiter or is seen by it (the top of
  // library_mutex.h). Without the barrier a wake-up may be missed: the timed sleep bounds it.
  BarrierOnEveryThread();
  for (;;) {
    int expected = kFree;
    if (state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                       std::memory_order_relaxed))
      break;
    SleepWhileHeld(state_, kHeld);
  }
  waiters_.fetch_sub(1, std::memory_order_relaxed);
}

void LibraryMutex::WakeOne() { WakeOneSleeper(state_); }

bool LibraryMutex::SettleBias(uintptr_t self, bool wait) {
  const uintptr_t biased = bias_.load(std::memory_order_relaxed);
  if (biased == self) return true;
  if (biased == 0) {
    // Unclaimed, so no thread is inside through it: the word's holder may take it.
    if (ThreadBarrierAvailable()) bias_.store(self, std::memory_order_relaxed);
    return true;
  }
  revoking_.store(1, std::memory_order_seq_cst);
  if (biased != kRevoked) {
    bias_.store(kRevoked, std::memory_order_seq_cst);
    // From here on the biased thread either shows itself inside or reads the bias revoked.
    BarrierOnThread(biased);
  } else {
    // Revoked earlier by a taker that did not wait (try_lock): the thread that was inside
    // then shows it still. The barrier only hastens its wake-up call.
    BarrierOnEveryThread();
  }
  bool outside = true;
  while (biasedInside_.load(std::memory_order_acquire) != 0) {
    if (!wait) {
      outside = false;
      break;
    }
    SleepWhileHeld(biasedInside_, 1);
  }
  revoking_.store(0, std::memory_order_relaxed);
  return outside;
}

void LibraryMutex::WakeRevoker() { WakeOneSleeper(biasedInside_); }

// Constant-initialised and trivially destroyed: there from load to unload without a
// first-use check, and an export called during unload still finds it.
LibraryMutex g_libraryMutex;
static_assert(std::is_trivially_destructible_v<LibraryMutex>);

}  // namespace vqm::platform
