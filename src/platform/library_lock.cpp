#include <atomic>
#include <cstdint>
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

// Each OS's three calls for the contended path: every running thread passes a full memory
// barrier (false where the system offers none); sleep while *word holds `held`, a
// millisecond at most; wake one sleeper on word.
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

void BarrierOnEveryThread() {
  // 1: registered, -1: not available (before Linux 4.14, or refused by a sandbox); 0: not
  // asked yet (registering twice is harmless).
  static std::atomic<int> registered{0};
  int state = registered.load(std::memory_order_relaxed);
  if (state == 0) {
    state = syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 ? 1 : -1;
    registered.store(state, std::memory_order_relaxed);
  }
  if (state > 0) syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
}

void SleepWhileHeld(std::atomic<int>& word, int held) {
  const timespec retry = {0, 1000000};
  syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAIT_PRIVATE, held, &retry, nullptr, 0);
}

void WakeOneSleeper(std::atomic<int>& word) {
  syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

#endif

// Constant-initialised and trivially destroyed: there from load to unload without a
// first-use check, and an export called during unload still finds it.
LibraryMutex g_libraryMutex;
static_assert(std::is_trivially_destructible_v<LibraryMutex>);
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

LibraryMutex& LibraryLock() { return g_libraryMutex; }

}  // namespace vqm::platform
