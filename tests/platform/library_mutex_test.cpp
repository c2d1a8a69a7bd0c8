// The library lock's own type: recursive for its owner, exclusive for every other thread,
// and free again only when its owner has released it as often as it took it. Contention at
// scale is the thread stress test's (the exports take this lock).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/library_mutex.h"

namespace vqm::platform {
namespace {

// A leaf hold (TryEnterLeaf), or the lock taken when it is refused; Release undoes either.
struct AnyHold {
  LibraryMutex& m;
  bool leaf = false;
  explicit AnyHold(LibraryMutex& mutex, bool tryLeaf) : m(mutex) {
    bool wake = false;
    leaf = tryLeaf && m.TryEnterLeaf(ThisThreadTag(), wake);
    if (wake) m.WakeRevoker();
    if (!leaf) m.lock();
  }
  ~AnyHold() {
    if (!leaf) {
      m.unlock();
    } else if (m.LeaveLeaf()) {
      m.WakeRevoker();
    }
  }
};

bool EntersLeaf(LibraryMutex& m) {
  bool wake = false;
  if (!m.TryEnterLeaf(ThisThreadTag(), wake)) return false;
  m.LeaveLeaf();
  return true;
}

bool OtherThreadTakes(LibraryMutex& m) {
  bool took = false;
  std::thread([&] {
    took = m.try_lock();
    if (took) m.unlock();
  }).join();
  return took;
}

TEST(ThreadedLibraryMutex, RecursiveForItsOwnerExclusiveForOthers) {
  LibraryMutex m;
  EXPECT_TRUE(OtherThreadTakes(m));
  EXPECT_FALSE(EntersLeaf(m));  // the bias is another thread's
  m.lock();
  EXPECT_FALSE(EntersLeaf(m));  // a leaf hold is never taken inside another hold
  EXPECT_TRUE(m.try_lock());  // the owner again: depth 2
  m.lock();                   // depth 3
  EXPECT_FALSE(OtherThreadTakes(m));
  m.unlock();
  m.unlock();
  EXPECT_FALSE(OtherThreadTakes(m));  // still held once
  m.unlock();
  EXPECT_TRUE(OtherThreadTakes(m));
}

TEST(ThreadedLibraryMutex, ContendedTakersSleepAndEveryIncrementCounts) {
  LibraryMutex m;
  long counter = 0;
  constexpr int kThreads = 4, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        std::lock_guard<LibraryMutex> outer(m);
        std::lock_guard<LibraryMutex> inner(m);
        const long seen = counter;
        if (i % 1000 == 0) std::this_thread::yield();  // let others queue on the held lock
        counter = seen + 1;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(static_cast<long>(kThreads) * kRounds, counter);
  EXPECT_TRUE(OtherThreadTakes(m));
}

// The bias revoked while its thread enters and leaves as fast as it can: whichever of the two
// orders the revoker's mark and the biased thread's entry take, one of them waits, so no
// increment of the plain counter is lost. Many fresh locks, so many revocations race.
TEST(ThreadedLibraryMutex, RevokingTheBiasWhileItsThreadComesAndGoesLosesNoIncrement) {
  constexpr int kLocks = 100, kRounds = 200;
  for (int n = 0; n < kLocks; ++n) {
    LibraryMutex m;
    long counter = 0;
    std::atomic<bool> biased{false}, secondIn{false};
    const auto increment = [&] {
      std::lock_guard<LibraryMutex> hold(m);
      const long seen = counter;
      counter = seen + 1;
    };
    long firstCount = 0;
    // The first to take the lock, and with it the bias; it goes on until the other is in,
    // every other time through a leaf hold while its bias lasts.
    std::thread first([&] {
      for (; firstCount < kRounds || !secondIn; ++firstCount) {
        if (firstCount % 2 == 0) {
          increment();
        } else {
          AnyHold hold(m, true);
          const long seen = counter;
          counter = seen + 1;
        }
        biased = true;
      }
    });
    while (!biased) std::this_thread::yield();
    std::thread second([&] {
      for (int i = 0; i < kRounds; ++i) {
        increment();
        secondIn = true;
      }
    });
    first.join();
    second.join();
    ASSERT_EQ(firstCount + kRounds, counter) << "lock " << n;
  }
}

// The first thread to take the lock holds it through its bias, without the lock word. Another
// thread that arrives while it is inside must wait until it leaves (the bias is revoked on
// the way), whether that thread blocks or only tries; afterwards both take turns on the word.
TEST(ThreadedLibraryMutex, ABiasedOwnerExcludesOthersUntilItLeaves) {
  for (const bool leaf : {false, true}) {
    for (const bool blocking : {true, false}) {
      SCOPED_TRACE(blocking ? "lock" : "try_lock");
      SCOPED_TRACE(leaf ? "owner in a leaf hold" : "owner in lock");
      LibraryMutex m;
      m.lock();  // the first taker: biased to this thread from now on
      m.unlock();
      std::optional<AnyHold> hold;
      hold.emplace(m, leaf);  // inside through the bias
      if (leaf && !hold->leaf) GTEST_SKIP() << "no bias where the system confirms no barrier";
      std::atomic<bool> inside{true}, otherIn{false}, sawOwnerInside{false};
      std::thread other([&] {
        if (blocking) {
          m.lock();
        } else {
          while (!m.try_lock()) std::this_thread::yield();
        }
        sawOwnerInside = inside.load();
        otherIn = true;
        m.unlock();
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_FALSE(otherIn.load());
      inside = false;
      hold.reset();
      other.join();
      EXPECT_TRUE(otherIn.load());
      EXPECT_FALSE(sawOwnerInside.load());
      EXPECT_FALSE(EntersLeaf(m));  // no leaf hold once the bias is revoked
      m.lock();  // the revoked owner now takes the word like any other thread
      EXPECT_FALSE(OtherThreadTakes(m));
      m.unlock();
      EXPECT_TRUE(OtherThreadTakes(m));
    }
  }
}

}  // namespace
}  // namespace vqm::platform
