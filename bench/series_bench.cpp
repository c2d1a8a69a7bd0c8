// The series API over 1 000 000 bars: one n-bar push against the same bars pushed one at a
// time in a C loop. The batch call should cost at most 1.1 times the loop.
//
//   build/native/bin/vqm_bench --benchmark_filter=Series
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "testing/random_walk.h"
#include "vqm/series.h"

namespace {

constexpr size_t kBars = 1000000;

struct Bars {
  std::vector<int> date, time;
  std::vector<float> price, up, down;
  Bars() {
    vqm::test::RandomWalk walk;
    for (size_t i = 0; i < kBars; ++i) {
      const float level = walk.Next();
      const uint64_t state = walk.State();
      date.push_back(1000101 + static_cast<int>(i / 390 / 28 / 12) * 10000 +
                     static_cast<int>(i / 390 / 28 % 12) * 100 + static_cast<int>(i / 390 % 28));
      time.push_back(930 + static_cast<int>(i % 390) / 60 * 100 + static_cast<int>(i % 390) % 60);
      price.push_back(level);
      up.push_back(static_cast<float>(state >> 20 & 0x1FF));
      down.push_back(static_cast<float>(state >> 30 & 0x1FF));
    }
  }
};

const Bars& TheBars() {
  static const Bars bars;
  return bars;
}

enum Indicator { kRareAvg, kTrendReversal, kBsp };

vqm_series* Create(int indicator) {
  vqm_series* s = nullptr;
  if (indicator == kRareAvg) vqm_rare_avg_create(20, 0, 60, 2, 1, &s);
  if (indicator == kTrendReversal) vqm_trend_reversal_create(10, 120, 1.0f, &s);
  if (indicator == kBsp) vqm_bsp_create(10, 20, 1, &s);
  return s;
}

void BM_SeriesBatch(benchmark::State& state) {
  const Bars& b = TheBars();
  const int indicator = static_cast<int>(state.range(0));
  std::vector<float> out(kBars), position(kBars), width(kBars);
  std::vector<int> status(kBars);
  for (auto _ : state) {
    state.PauseTiming();
    vqm_series* s = Create(indicator);
    state.ResumeTiming();
    if (indicator == kRareAvg)
      vqm_rare_avg_push_n(s, kBars, b.date.data(), b.time.data(), nullptr, b.price.data(),
                          out.data());
    if (indicator == kTrendReversal)
      vqm_trend_reversal_push_n(s, kBars, b.date.data(), b.time.data(), b.price.data(),
                                status.data(), position.data(), width.data());
    if (indicator == kBsp) vqm_bsp_push_n(s, kBars, b.up.data(), b.down.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    state.PauseTiming();
    vqm_series_free(s);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBars));
}

void BM_SeriesLoop(benchmark::State& state) {
  const Bars& b = TheBars();
  const int indicator = static_cast<int>(state.range(0));
  std::vector<float> out(kBars), position(kBars), width(kBars);
  std::vector<int> status(kBars);
  for (auto _ : state) {
    state.PauseTiming();
    vqm_series* s = Create(indicator);
    state.ResumeTiming();
    for (size_t i = 0; i < kBars; ++i) {
      if (indicator == kRareAvg)
        vqm_rare_avg_push(s, b.date[i], b.time[i], static_cast<int>(i), b.price[i], &out[i]);
      if (indicator == kTrendReversal)
        vqm_trend_reversal_push(s, b.date[i], b.time[i], b.price[i], &status[i], &position[i],
                                &width[i]);
      if (indicator == kBsp) vqm_bsp_push(s, b.up[i], b.down[i], &out[i]);
    }
    benchmark::DoNotOptimize(out.data());
    state.PauseTiming();
    vqm_series_free(s);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBars));
}

// Pattern-search series pushed in turn, 20 bars of scope. Every history is first grown to the
// size the run gives it, reset and warmed again, so that a run times pushes, not the memory a
// history takes as it grows (which one series pushed 300 000 times meets, and 10 000 series
// pushed 30 times each do not).
class PatternSearchTurn {
 public:
  PatternSearchTurn(int n, int64_t timedPushes) : series_(static_cast<size_t>(n)) {
    for (vqm_series*& s : series_) vqm_pattern_search_create(20, 100, &s);
    const int64_t runBars = kWarmBars + (timedPushes + n - 1) / n;
    for (int64_t bar = 0; bar < runBars; ++bar)
      for (vqm_series* s : series_) Push(s, bar);
    for (vqm_series* s : series_) vqm_series_reset(s);
    for (int bar = 0; bar < kWarmBars; ++bar)
      for (vqm_series* s : series_) Push(s, bar);
  }
  ~PatternSearchTurn() {
    for (vqm_series* s : series_) vqm_series_free(s);
  }
  // Push number `call` of the timed run: the series in turn, bar after bar.
  void PushInTurn(int64_t call) {
    const int64_t n = static_cast<int64_t>(series_.size());
    Push(series_[static_cast<size_t>(call % n)], kWarmBars + call / n);
    benchmark::DoNotOptimize(excursions_);
  }

 private:
  static constexpr int kWarmBars = 30;  // past the scope of 20: every push measures 20 bars
  void Push(vqm_series* s, int64_t bar) {
    const int level = static_cast<int>(walk_.Next() * 100.0f);
    const int minute = static_cast<int>(bar % 390);
    vqm_pattern_search_push(s, 1240102 + static_cast<int>(bar / 390),
                            1000 + minute / 60 * 100 + minute % 60, level, level + 25, level - 25,
                            level + 5, 100, &status_, excursions_);
  }
  vqm::test::RandomWalk walk_;
  std::vector<vqm_series*> series_;
  int status_ = 0;
  float excursions_[4] = {};
};

// N live pattern-search series called in turn, one bar at a time: the pattern search keeps
// one history per process behind its exports (another symbol discards it), so its histories
// multiply through the series API, each found through the registry of live handles.
void BM_PatternSearchLiveSeries(benchmark::State& state) {
  PatternSearchTurn turn(static_cast<int>(state.range(0)), state.max_iterations);
  int64_t call = 0;
  for (auto _ : state) turn.PushInTurn(call++);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PatternSearchLiveSeries)->Arg(1)->Arg(100)->Arg(10000)->Iterations(300000)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// Each thread pushes 100 series of its own in turn, as a research loop per thread would: with
// two threads their orders mix in the registry, which then relinks its series' entries on
// most pushes, from both processors.
void BM_PatternSearchSeriesPerThread(benchmark::State& state) {
  PatternSearchTurn turn(100, state.max_iterations);
  int64_t call = 0;
  for (auto _ : state) turn.PushInTurn(call++);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PatternSearchSeriesPerThread)->Threads(1)->Threads(2)->Iterations(200000)
    ->UseRealTime();

// Arguments: 0 regression average, 1 trend reversal, 2 buy/sell pressure.
BENCHMARK(BM_SeriesBatch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SeriesLoop)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
