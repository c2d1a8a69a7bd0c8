// Cost per call of the trend reversal and the pattern search over a million one-minute bars
// of one symbol, as a host's history calculation makes them.
//
// The pattern search logs a line per call, and the log commits to disk every 21 lines, so
// with the log written the disk sets the pace. The million-bar runs therefore go with the
// log closed (each line is still formatted, then dropped); BM_FindGemAdd_LogWritten shows
// the cost of writing it on this machine's disk over fewer bars. Drive paths map under
// VQM_DRIVE_ROOT, by default a directory beside this executable.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "datetime/date_time.h"
#include "frame/exports.h"
#include "base/log.h"
#include "base/paths.h"

namespace {

constexpr int kBars = 1000000;

struct Bar {
  int date, time;  // host forms
  int open, high, low, close, volume;
  float price;
};

// A random walk of minute bars, 390 a day from 09:30, week-ends skipped.
const std::vector<Bar>& Bars() {
  static const std::vector<Bar> bars = [] {
    std::vector<Bar> b;
    b.reserve(kBars);
    vqm::DateTime day;
    day.SetDateTime(20000103, 0);
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16 & 0x7FFF; };
    int price = 150000;
    while (static_cast<int>(b.size()) < kBars) {
      const int date = day.ToDateInt(1);
      for (int m = 0; m < 390 && static_cast<int>(b.size()) < kBars; ++m) {
        price += static_cast<int>(next() % 201) - 100;
        const int minute = 570 + m;
        const int high = price + static_cast<int>(next() % 50);
        const int low = price - static_cast<int>(next() % 50);
        b.push_back({date, minute / 60 * 100 + minute % 60, price, high, low, price,
                     static_cast<int>(next()), static_cast<float>(price) / 100.0f});
      }
      do day.AddDays(1);
      while (day.DayNumber() % 7 >= 5);  // Julian day 0 is a Monday: 5 and 6 are week-ends
    }
    return b;
  }();
  return bars;
}

void BM_TrendReversal(benchmark::State& state) {
  const std::vector<Bar>& bars = Bars();
  static int run = 0;
  const std::string symbol = "BENCH" + std::to_string(++run);
  size_t i = 0;
  float position, width;
  for (auto _ : state) {
    const Bar& b = bars[i++];
    benchmark::DoNotOptimize(VQM_TrendReversal(0, symbol.c_str(), b.date, b.time, 1, 0, b.price,
                                               1.0f, 10, 120, &position, &width));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrendReversal)->Iterations(kBars)->Unit(benchmark::kNanosecond);

void BM_FindGemAdd(benchmark::State& state) {
  const std::vector<Bar>& bars = Bars();
  static int run = 0;
  const std::string symbol = "GEMADD" + std::to_string(++run);
  size_t i = 0;
  for (auto _ : state) {
    Bar b = bars[i++];
    benchmark::DoNotOptimize(VQM_FindGemAdd(0, symbol.c_str(), b.date, b.time, 100, &b.open,
                                            &b.high, &b.low, &b.close, &b.volume, 100));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemAdd)->Iterations(kBars)->Unit(benchmark::kNanosecond);

void BM_FindGemAdd_LogWritten(benchmark::State& state) {
  const std::vector<Bar>& bars = Bars();
  static int run = 0;
  const std::string symbol = "GEMLOG" + std::to_string(++run);
  vqm::MakeDirectoryPath("C:/Database/VOVOD/logs/bench", 0);
  char path[] = "C:/Database/VOVOD/logs/bench/VQM_F1.log";
  vqm::LogWriteText("*OPENLOG", path, 1);
  size_t i = 0;
  for (auto _ : state) {
    Bar b = bars[i++];
    benchmark::DoNotOptimize(VQM_FindGemAdd(0, symbol.c_str(), b.date, b.time, 100, &b.open,
                                            &b.high, &b.low, &b.close, &b.volume, 100));
  }
  vqm::LOGTRACE("*CLOSE", 0, "bench");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemAdd_LogWritten)->Iterations(20000)->Unit(benchmark::kNanosecond);

void BM_FindGemCalc(benchmark::State& state) {
  const std::vector<Bar>& bars = Bars();
  static int run = 0;
  const std::string symbol = "GEMCALC" + std::to_string(++run);
  for (Bar b : bars)
    VQM_FindGemAdd(0, symbol.c_str(), b.date, b.time, 100, &b.open, &b.high, &b.low, &b.close,
                   &b.volume, 100);
  size_t i = 0;
  float out[4];
  for (auto _ : state) {
    const Bar& b = bars[i++];
    benchmark::DoNotOptimize(
        VQM_FindGemCalc(0, symbol.c_str(), b.date, b.time, 0, &out[0], &out[1], &out[2], &out[3]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemCalc)->Iterations(kBars)->Unit(benchmark::kNanosecond);

}  // namespace
