// Cost of one VQM_RareAvg call: by regression length over a long series, and by the number
// of live series (the lookup must not slow down as a portfolio grows).
//
//   build/native/bin/vqm_bench --benchmark_filter=RareAvg
//
// Series stay in the process-wide manager once created: for clean live-series figures run
// each count in its own process, e.g. --benchmark_filter='RareAvgLiveSeries/10000/'.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/exports.h"
#include "testing/random_walk.h"

namespace {

// A fresh symbol for every run, so each run starts its own series.
std::string FreshSymbol(const char* name) {
  static int run = 0;
  return std::string("Bench") + name + std::to_string(run++);
}

using Walk = vqm::test::RandomWalk;

// One series of 1 000 000 bars (bar type 2: no restart by date), one call per bar.
void BM_RareAvgBars(benchmark::State& state) {
  const int regr = static_cast<int>(state.range(0));
  const std::string symbol = FreshSymbol("Bars");
  Walk walk;
  int bar = 0;
  for (auto _ : state) {
    const int date = 1240102 + bar / 400;
    benchmark::DoNotOptimize(
        VQM_RareAvg(symbol.c_str(), regr, 0, walk.Next(), date, 930, 60, 0, 2, 0, bar));
    ++bar;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RareAvgBars)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Iterations(1000000)
    ->Unit(benchmark::kNanosecond);

constexpr int kWarmBars = 40;

// The walk one step per bar: every series of a portfolio sees the prices one series sees bar
// after bar, so that N series in turn compute on the same kind of numbers as one.
class PricePerBar {
 public:
  float At(int bar) {
    if (bar != bar_) {
      price_ = walk_.Next();
      bar_ = bar;
    }
    return price_;
  }

 private:
  Walk walk_;
  int bar_ = -1;
  float price_ = 0.0f;
};

// N live series of nScopeRegr 10, each past its warm-up.
std::vector<std::string> LiveSeries(int n, PricePerBar& prices) {
  const std::string prefix = FreshSymbol("Live");
  std::vector<std::string> symbols;
  for (int i = 0; i < n; ++i) symbols.push_back(prefix + "_" + std::to_string(i));
  for (int bar = 0; bar < kWarmBars; ++bar)
    for (int i = 0; i < n; ++i)
      VQM_RareAvg(symbols[i].c_str(), 10, 0, prices.At(bar), 1240102, 930, 60, 0, 2, 0, bar);
  return symbols;
}

// N live series called in turn, one bar at a time, as a host calculates a portfolio's
// charts: every call finds another series and works on memory not touched for N calls.
void BM_RareAvgLiveSeries(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  PricePerBar prices;
  const std::vector<std::string> symbols = LiveSeries(n, prices);
  const int warmBars = kWarmBars;
  int64_t call = 0;
  for (auto _ : state) {
    const int i = static_cast<int>(call % n);
    const int bar = warmBars + static_cast<int>(call / n);
    benchmark::DoNotOptimize(
        VQM_RareAvg(symbols[i].c_str(), 10, 0, prices.At(bar), 1240102, 930, 60, 0, 2, 0, bar));
    ++call;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RareAvgLiveSeries)
    ->Arg(1)
    ->Arg(100)
    ->Arg(10000)
    ->Iterations(500000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kNanosecond);

// N live series, the calls going to the one created last: the cost of finding a series among
// many, apart from the memory traffic of working on many.
void BM_RareAvgFindAmongLiveSeries(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  PricePerBar prices;
  const std::vector<std::string> symbols = LiveSeries(n, prices);
  const char* last = symbols.back().c_str();
  int bar = kWarmBars;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        VQM_RareAvg(last, 10, 0, prices.At(bar), 1240102, 930, 60, 0, 2, 0, bar));
    ++bar;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RareAvgFindAmongLiveSeries)
    ->Arg(1)
    ->Arg(100)
    ->Arg(10000)
    ->Iterations(500000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kNanosecond);

}  // namespace
