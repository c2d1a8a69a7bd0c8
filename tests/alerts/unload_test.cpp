// The MIDI worker must never hang the host when the library is unloaded.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "alerts/midi_out_device.h"
#include "support/files.h"
#include "support/library_under_test.h"
#include "testing/fake_env.h"
#include "testing/recording_midi_out.h"

namespace vqm {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Open descriptors of this process, or -1 where they cannot be counted.
int OpenDescriptors() {
  std::error_code error;
  std::filesystem::directory_iterator it("/proc/self/fd", error);
  if (error) return -1;
  int n = 0;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) ++n;
  return n;
}

// Each round also logs (the log file opens), and closing it at unload keeps the host from
// running out of descriptors.
TEST(ThreadedLibraryUnload, LoadTickUnloadAHundredTimesEndsPromptly) {
  test::LibraryCopy copy("UNLOADTEST");
  ASSERT_TRUE(test::FileExists(copy.path()));
  const int descriptors = OpenDescriptors();
  const auto start = Clock::now();
  for (int i = 0; i < 100; ++i) {
    const auto roundStart = Clock::now();
    {
      test::LoadedLibrary library(copy.path());
      ASSERT_TRUE(library.ok()) << library.error();
      ASSERT_TRUE(test::IsLibraryLoaded(copy.path()));
      EXPECT_EQ(0, library.exports().VQM_TickSound(0, 45, 64, 12));
      EXPECT_EQ(0, library.exports().VQM_TickSound(0, 50, 64, -1));  // initialises again next
      EXPECT_EQ(0, library.exports().VQM_TickSound(0, 55, 64, 3));
      library.exports().VQM_RareAvg("UNLOAD", 10, 3, 1.0f, 1240315, 930, 20, 0, 1, 1, 1);
    }
    ASSERT_FALSE(test::IsLibraryLoaded(copy.path())) << "round " << i;
    ASSERT_LT(Clock::now() - roundStart, std::chrono::seconds(2)) << "round " << i;
  }
  const auto total = Clock::now() - start;
  EXPECT_LT(total, std::chrono::seconds(30));
  // A descriptor kept per load would add 100; under Wine its own (sound, the server's) come
  // and go, by a dozen on a busy machine.
  if (descriptors >= 0) {
    EXPECT_LE(OpenDescriptors(), descriptors + 50);
  }
  printf("100 loads, ticks and unloads: %lld ms\n",
         static_cast<long long>(std::chrono::duration_cast<milliseconds>(total).count()));
}

#if defined(_WIN32)

// The loader lock, taken the way the loader holds it while it unloads a library.
class LoaderLock {
 public:
  LoaderLock() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    lock_ = reinterpret_cast<LockFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
    unlock_ = reinterpret_cast<UnlockFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
  }
  bool available() const { return lock_ != nullptr && unlock_ != nullptr; }
  void Lock() { lock_(0, nullptr, &cookie_); }
  void Unlock() { unlock_(0, cookie_); }

 private:
  using LockFn = LONG(WINAPI*)(ULONG, ULONG*, ULONG_PTR*);
  using UnlockFn = LONG(WINAPI*)(ULONG, ULONG_PTR);
  LockFn lock_ = nullptr;
  UnlockFn unlock_ = nullptr;
  ULONG_PTR cookie_ = 0;
};

// Runs job on a thread that is running beforehand (a thread cannot start while the loader
// lock is held), with the loader lock held by this thread, and says whether the job finished within
// the limit. The lock is released either way, so a blocked job ends afterwards.
bool FinishesUnderLoaderLock(LoaderLock& loaderLock, std::function<void()> job,
                             milliseconds limit) {
  std::mutex m;
  std::condition_variable changed;
  bool running = false, go = false, done = false;
  std::thread runner([&] {
    {
      std::unique_lock<std::mutex> hold(m);
      running = true;
      changed.notify_all();
      changed.wait(hold, [&] { return go; });
    }
    job();
    std::lock_guard<std::mutex> hold(m);
    done = true;
    changed.notify_all();
  });
  {
    std::unique_lock<std::mutex> hold(m);
    changed.wait(hold, [&] { return running; });
  }
  loaderLock.Lock();
  bool finished;
  {
    std::unique_lock<std::mutex> hold(m);
    go = true;
    changed.notify_all();
    finished = changed.wait_for(hold, limit, [&] { return done; });
  }
  loaderLock.Unlock();
  runner.join();
  return finished;
}

class ThreadedUnderLoaderLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!loaderLock_.available()) GTEST_SKIP() << "ntdll has no LdrLockLoaderLock";
    test::SetMidiOutBackend(&midi_);
  }
  void TearDown() override { test::SetMidiOutBackend(nullptr); }

  LoaderLock loaderLock_;
  test::RecordingMidiOut midi_;
};

// What the unload must avoid: a worker cannot finish ending while the loader lock is held,
// so waiting for it there blocks until the lock is released.
TEST_F(ThreadedUnderLoaderLockTest, WaitingForTheWorkerBlocksWhileTheLockIsHeld) {
  CMIDIOutDevice device;
  ASSERT_EQ(0, device.Open(0));
  EXPECT_FALSE(FinishesUnderLoaderLock(loaderLock_, [&] { device.Close(); }, milliseconds(300)));
  EXPECT_FALSE(device.IsOpen());
}

// What the unload does: the device is destroyed at once, the worker ends afterwards.
TEST_F(ThreadedUnderLoaderLockTest, DestroyingTheDeviceDoesNotWait) {
  for (int round = 0; round < 10; ++round) {
    auto device = std::make_unique<CMIDIOutDevice>();
    ASSERT_EQ(0, device->Open(0));
    const auto start = Clock::now();
    EXPECT_TRUE(FinishesUnderLoaderLock(loaderLock_, [&] { device.reset(); }, milliseconds(2000)));
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    EXPECT_EQ(test::RecordingMidiOut::Call::kClose, midi_.Records().back().call);
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace vqm
