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

// N live pattern-search series called in turn, one bar at a time: the pattern search keeps
// one history per process behind its exports (another symbol discards it), so its histories
// multiply through the series API, each found through the registry of live handles.
// A history grows with its bars: one series takes all the run's bars, 10 000 take 30 each.
// So that the counts compare finding a series and not taking fresh memory (which a virtual
// machine may make slower than the push itself), every history is first grown to the size
// the run gives it and reset, which keeps its memory.
void BM_PatternSearchLiveSeries(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  constexpr int kWarmBars = 30;  // past the scope of 20: every call measures 20 bars
  vqm::test::RandomWalk walk;
  std::vector<vqm_series*> series(static_cast<size_t>(n));
  for (vqm_series*& s : series) vqm_pattern_search_create(20, 100, &s);
  int status = 0;
  float excursions[4];
  auto push = [&](vqm_series* s, int64_t bar) {
    const int level = static_cast<int>(walk.Next() * 100.0f);
    const int minute = static_cast<int>(bar % 390);
    vqm_pattern_search_push(s, 1240102 + static_cast<int>(bar / 390),
                            1000 + minute / 60 * 100 + minute % 60, level, level + 25, level - 25,
                            level + 5, 100, &status, excursions);
  };
  const int64_t runBars = kWarmBars + (static_cast<int64_t>(state.max_iterations) + n - 1) / n;
  for (int64_t bar = 0; bar < runBars; ++bar)
    for (vqm_series* s : series) push(s, bar);
  for (vqm_series* s : series) vqm_series_reset(s);
  for (int bar = 0; bar < kWarmBars; ++bar)
    for (vqm_series* s : series) push(s, bar);
  int64_t call = 0;
  for (auto _ : state) {
    push(series[static_cast<size_t>(call % n)], kWarmBars + call / n);
    benchmark::DoNotOptimize(excursions);
    ++call;
  }
  for (vqm_series* s : series) vqm_series_free(s);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PatternSearchLiveSeries)->Arg(1)->Arg(100)->Arg(10000)->Iterations(300000)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// Arguments: 0 regression average, 1 trend reversal, 2 buy/sell pressure.
BENCHMARK(BM_SeriesBatch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SeriesLoop)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
