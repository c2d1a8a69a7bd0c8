// Eight threads call the indicator exports at once; every series must end up exactly as if
// the same calls had been made one at a time, in the order the library's lock let them in.
//
//   - Separate series: each thread works on series of its own, with no lock of the test's;
//     each thread's results must equal a plain serial replay of its calls.
//   - Shared series: all threads work on one series of each kind. Each call takes a sequence
//     number and runs while the lock that admits it is held: in process, the library's own
//     lock (it is recursive, so the export takes it again inside); for the loaded library,
//     whose lock the test cannot reach, a lock of the test's. The calls replayed one by one
//     in sequence order must give the same results.
//   - Shared pattern-search history without any lock of the test's: the bar count that
//     VQM_FindGemAdd returns is the place the library's lock gave the call, so the calls
//     replayed in that order must rebuild the same history (checked by VQM_FindGemCalc,
//     whose binary search over bars in arrival order answers alike only for the same array).
//
// The calls in all (export calls, a buy/sell pressure step counting three) come from
// VQM_STRESS_CALLS, by default 1 000 000 per backend natively and 80 000 under Wine, where
// each call costs far more. Replays are not counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "frame/export_frame.h"
#include "platform/platform.h"
#include "reliability/stress_calls.h"
#include "support/backend_test.h"

namespace vqm {
namespace {

using test::StressCall;
using test::StressResult;
using test::StressRunner;

constexpr int kThreads = 8;

long TotalCalls() {
  std::string setting;
  if (platform::GetEnvironment("VQM_STRESS_CALLS", &setting)) return std::max(80L, atol(setting.c_str()));
  return test::OnWindows() ? 80000 : 1000000;
}

// Shares of the total: separate series, shared series, shared history.
long Quota(int percent) { return TotalCalls() * percent / 100 / kThreads; }

std::string UniquePrefix(const char* name) {
  static int run = 0;
  return std::string("stress") + name + std::to_string(++run) + "_" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000);
}

// Starts the threads together, so that they meet at the lock from the first call.
template <class Body>
void RunThreads(Body&& body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      body(t);
    });
  go = true;
  for (std::thread& th : threads) th.join();
}

void Report(const char* what, long calls, std::chrono::steady_clock::time_point start) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("  %s: %ld calls on %d threads in %.2f s\n", what, calls, kThreads, seconds);
}

// The arguments a thread makes up for a call; date, time and bar come from the caller.
struct CallMaker {
  explicit CallMaker(unsigned seed) : rng(seed) {}
  int Percent() { return static_cast<int>(rng() % 100); }
  void Fill(StressCall& c) {
    price += static_cast<float>(static_cast<int>(rng() % 201) - 100) * 0.01f;
    if (price < 1.0f) price = 50.0f;
    c.a = price;
    if (c.kind == StressCall::kBsp) {
      c.a = static_cast<float>(rng() % 500);
      c.b = static_cast<float>(rng() % 500);
      c.style = 1 + static_cast<int>(rng() % 5);  // 5: no smoothing
    } else if (c.kind == StressCall::kPrcNorm) {
      static const float kFactors[] = {0.5f, 2.0f, 1.25f, 0.8f, 3.0f, 0.3333f, 1.0f};
      c.a = kFactors[rng() % 7];
    } else if (c.kind == StressCall::kGemAdd) {
      const int base = static_cast<int>(price * 100.0f);
      const int spread = static_cast<int>(rng() % 300);
      const int p[5] = {base, base + spread, base - spread, base + spread / 2,
                        static_cast<int>(rng() % 100000)};
      std::copy(p, p + 5, c.prices);
    }
  }
  void SetMinute(StressCall& c, int minute) {
    c.date = test::HostDateOfDay(minute / 1440);
    c.time = test::HostTimeOfMinute(minute % 1440);
    c.bar = minute + 1;
  }
  std::mt19937 rng;
  float price = 100.0f;
};

struct Admitted {
  long seq;
  StressCall call;
  StressResult result;
};

// Counts the results that differ from the replay's, and names the first few.
void ExpectSameResults(const std::vector<StressResult>& got,
                       const std::vector<StressResult>& replayed, const char* what) {
  ASSERT_EQ(got.size(), replayed.size());
  int differing = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] == replayed[i]) continue;
    if (++differing <= 3)
      ADD_FAILURE() << what << " call " << i << ": " << got[i].Describe() << " replayed "
                    << replayed[i].Describe();
  }
  EXPECT_EQ(0, differing) << what;
}

class ThreadedStressTest : public test::BackendTest {};

TEST_P(ThreadedStressTest, SeparateSeriesEqualTheirSerialReplay) {
  const long quota = Quota(50);
  StressRunner runner(api(), UniquePrefix("own"), kThreads);
  std::vector<std::vector<StressCall>> calls(kThreads);
  std::vector<std::vector<StressResult>> results(kThreads);
  const auto start = std::chrono::steady_clock::now();
  RunThreads([&](int t) {
    CallMaker maker(static_cast<unsigned>(t) + 1);
    long made = 0;
    for (int k = 0; made < quota; ++k) {
      StressCall c;
      const int p = maker.Percent();
      c.kind = p < 35   ? StressCall::kRareAvg
               : p < 65 ? StressCall::kTrendReversal
               : p < 80 ? StressCall::kBsp
                        : StressCall::kPrcNorm;
      c.series = t;
      maker.SetMinute(c, k);
      maker.Fill(c);
      results[static_cast<size_t>(t)].push_back(runner.Run(c));
      calls[static_cast<size_t>(t)].push_back(c);
      made += test::ExportCallsOf(c);
    }
  });
  long made = 0;
  for (const auto& list : calls)
    for (const StressCall& c : list) made += test::ExportCallsOf(c);
  Report("separate series", made, start);

  StressRunner replay(api(), UniquePrefix("ownreplay"), kThreads);
  for (int t = 0; t < kThreads; ++t) {
    std::vector<StressResult> replayed;
    for (const StressCall& c : calls[static_cast<size_t>(t)]) replayed.push_back(replay.Run(c));
    ExpectSameResults(results[static_cast<size_t>(t)], replayed,
                      ("thread " + std::to_string(t)).c_str());
  }
}

TEST_P(ThreadedStressTest, SharedSeriesEqualTheReplayInAdmissionOrder) {
  const long quota = Quota(35);
  StressRunner runner(api(), UniquePrefix("shared"), 1);
  std::mutex testLock;
  long next = 0;
  std::vector<std::vector<Admitted>> admitted(kThreads);
  const auto start = std::chrono::steady_clock::now();
  RunThreads([&](int t) {
    CallMaker maker(static_cast<unsigned>(t) + 101);
    long made = 0;
    while (made < quota) {
      StressCall c;
      const int p = maker.Percent();
      c.kind = p < 25   ? StressCall::kRareAvg
               : p < 50 ? StressCall::kTrendReversal
               : p < 65 ? StressCall::kGemAdd
               : p < 75 ? StressCall::kGemCalc
               : p < 88 ? StressCall::kBsp
                        : StressCall::kPrcNorm;
      maker.Fill(c);
      // The sequence number, the bar's place in time and the call itself under one lock.
      auto admit = [&] {
        const long seq = next++;
        const int minute = static_cast<int>(c.kind == StressCall::kGemCalc ? seq - 25 : seq);
        maker.SetMinute(c, minute < 0 ? 0 : minute);
        admitted[static_cast<size_t>(t)].push_back(Admitted{seq, c, runner.Run(c)});
      };
      if (inProcess()) {
        ExportLock lock(platform::LibraryLock());
        admit();
      } else {
        std::lock_guard<std::mutex> lock(testLock);
        admit();
      }
      made += test::ExportCallsOf(c);
    }
  });
  std::vector<Admitted> all;
  for (const auto& list : admitted) all.insert(all.end(), list.begin(), list.end());
  std::sort(all.begin(), all.end(),
            [](const Admitted& x, const Admitted& y) { return x.seq < y.seq; });
  long made = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    ASSERT_EQ(static_cast<long>(i), all[i].seq);
    made += test::ExportCallsOf(all[i].call);
  }
  Report(inProcess() ? "shared series, library lock" : "shared series, test lock", made, start);

  StressRunner replay(api(), UniquePrefix("sharedreplay"), 1);
  std::vector<StressResult> got, replayed;
  for (const Admitted& a : all) {
    got.push_back(a.result);
    replayed.push_back(replay.Run(a.call));
  }
  ExpectSameResults(got, replayed, "shared series");
}

TEST_P(ThreadedStressTest, SharedHistoryRebuiltInTheOrderTheLibraryAdmitted) {
  const long quota = Quota(15);
  StressRunner runner(api(), UniquePrefix("history"), 1);
  std::vector<std::vector<Admitted>> added(kThreads);
  const auto start = std::chrono::steady_clock::now();
  RunThreads([&](int t) {
    CallMaker maker(static_cast<unsigned>(t) + 201);
    for (long k = 0; k < quota; ++k) {
      StressCall c;
      c.kind = StressCall::kGemAdd;
      maker.SetMinute(c, static_cast<int>(t * quota + k));  // every bar its own time
      maker.Fill(c);
      const StressResult r = runner.Run(c);
      added[static_cast<size_t>(t)].push_back(Admitted{r.status[0], c, r});
    }
  });
  std::vector<Admitted> all;
  for (const auto& list : added) all.insert(all.end(), list.begin(), list.end());
  Report("shared history, no test lock", static_cast<long>(all.size()), start);
  // Each call saw one more bar than the one admitted before it.
  std::sort(all.begin(), all.end(),
            [](const Admitted& x, const Admitted& y) { return x.seq < y.seq; });
  for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(static_cast<long>(i) + 1, all[i].seq);

  // Measured from every 50th bar on the history as the threads built it, then replayed.
  auto measure = [&](StressRunner& on) {
    std::vector<StressResult> results;
    for (size_t i = 0; i < all.size(); i += 50) {
      StressCall c = all[i].call;
      c.kind = StressCall::kGemCalc;
      results.push_back(on.Run(c));
    }
    return results;
  };
  const std::vector<StressResult> measured = measure(runner);
  StressRunner replay(api(), UniquePrefix("historyreplay"), 1);
  std::vector<StressResult> got, replayed;
  for (const Admitted& a : all) {
    got.push_back(a.result);
    replayed.push_back(replay.Run(a.call));
  }
  ExpectSameResults(got, replayed, "bar counts");
  ExpectSameResults(measured, measure(replay), "measurements");
}

VQM_INSTANTIATE_BACKEND_TESTS(ThreadedStressTest);

}  // namespace
}  // namespace vqm
