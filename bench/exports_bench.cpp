// Per-call cost of the exports not covered elsewhere, lookup scaling of the trend-reversal
// and buy/sell pressure managers, and the CSV export against the open-append-close floor.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/lock_rule.h"
#include "base/paths.h"
#include "base/settings.h"
#include "frame/exports.h"
#include "platform/platform.h"
#include "testing/host_double.h"

namespace {

constexpr int kBars = 1000000;

unsigned g_seed = 2024;
int NextRandom() { return static_cast<int>((g_seed = g_seed * 1103515245u + 12345u) >> 16 & 0x7FFF); }

// A host double set up for one chart: AvgLen 14, VolLen 20, style 1.
vqm::test::HostDouble& Host() {
  static vqm::test::HostDouble* host = [] {
    auto* h = new vqm::test::HostDouble;
    h->SetParameters(14.0f, 20.0f, 1.0f);
    return h;
  }();
  return *host;
}

int64_t BindInstance(const std::string& subKey, int keyNum, int bar) {
  char keyText[1100] = "bench";
  Host().SetAbsoluteBar(bar);
  VQM_BSP(subKey.c_str(), keyNum, 0, keyText, &Host(), 0);
  return VQM_BSPHandle(subKey.c_str(), keyNum, 0, "bench");
}

void BM_BSPCalc(benchmark::State& state) {
  CBSPSet* instance = reinterpret_cast<CBSPSet*>(BindInstance("calc", 1, 0));
  float pressure = 0;
  for (auto _ : state) {
    const float up = static_cast<float>(NextRandom() % 500);
    const float down = static_cast<float>(NextRandom() % 500);
    benchmark::DoNotOptimize(VQM_BSPCalc(instance, up, down, 1, &pressure));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPCalc)->Iterations(kBars);

// The whole per-bar sequence of a script: bind, take the handle, compute.
void BM_BSPBar(benchmark::State& state) {
  int bar = 0;
  float pressure = 0;
  for (auto _ : state) {
    CBSPSet* instance = reinterpret_cast<CBSPSet*>(BindInstance("bar", 1, bar++));
    benchmark::DoNotOptimize(VQM_BSPCalc(instance, static_cast<float>(NextRandom() % 500),
                                         static_cast<float>(NextRandom() % 500), 1, &pressure));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPBar)->Iterations(kBars);

void BM_PrcNorm(benchmark::State& state) {
  int v[5];
  for (auto _ : state) {
    for (int& x : v) x = NextRandom() * 100;
    benchmark::DoNotOptimize(VQM_F_PrcNorm(0.01f, &v[0], &v[1], &v[2], &v[3], &v[4]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrcNorm)->Iterations(kBars);

// N live instances called in turn, one bar at a time.
void BM_BSPLiveInstances(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string subKey = "live" + std::to_string(n);
  for (int i = 0; i < n; ++i) BindInstance(subKey, i, 0);
  int64_t call = 0;
  float pressure = 0;
  for (auto _ : state) {
    const int i = static_cast<int>(call % n);
    CBSPSet* instance = reinterpret_cast<CBSPSet*>(BindInstance(subKey, i, 1 + static_cast<int>(call / n)));
    benchmark::DoNotOptimize(VQM_BSPCalc(instance, 100.0f, 50.0f, 1, &pressure));
    ++call;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPLiveInstances)->Arg(1)->Arg(100)->Arg(10000)->Iterations(300000)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// N live trend-reversal series (fast 10, slow 120) called in turn, each past the 120 bars
// that fill its longest average.
void BM_TrendRevLiveSeries(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string prefix = "TR" + std::to_string(n) + "_";
  std::vector<std::string> symbols;
  for (int i = 0; i < n; ++i) symbols.push_back(prefix + std::to_string(i));
  float position = 0, width = 0;
  constexpr int kWarmBars = 121;
  int64_t call = 0;
  for (; call < int64_t{kWarmBars} * n; ++call) {
    const int minute = static_cast<int>(call / n);
    VQM_TrendReversal(0, symbols[static_cast<size_t>(call % n)].c_str(), 1240102,
                      minute / 60 * 100 + minute % 60, 1, 0,
                      100.0f + static_cast<float>(NextRandom() % 100) / 10.0f, 1.0f, 10, 120,
                      &position, &width);
  }
  for (auto _ : state) {
    const int i = static_cast<int>(call % n);
    const int minute = static_cast<int>(call / n);
    benchmark::DoNotOptimize(VQM_TrendReversal(
        0, symbols[static_cast<size_t>(i)].c_str(), 1240102 + minute / 1440 % 20,
        minute % 1440 / 60 * 100 + minute % 60, 1, 0,
        100.0f + static_cast<float>(NextRandom() % 100) / 10.0f, 1.0f, 10, 120, &position, &width));
    ++call;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrendRevLiveSeries)->Arg(1)->Arg(100)->Arg(10000)->Iterations(300000)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// The CSV export against the floor under it: opening, appending the same row and closing.
std::string CsvDirectory() {
  char base[vqm::kBaseDirCapacity + 1];
  {
    vqm::ExportLock lock;
    vqm::GetBaseDir(base);
  }
  return std::string(base) + "/../CSV";
}

void BM_SaveDataToCsvRow(benchmark::State& state) {
  int open = 512345, high = 512450, low = 512275, close = 512400, volume = 1200;
  int bar = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(VQM_SaveDataToCsv(0, "BENCHES", 1240315, 930 + bar % 30, 100, &open,
                                               &high, &low, &close, &volume, 0));
    ++bar;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveDataToCsvRow)->Iterations(100000);

void BM_OpenAppendCloseRow(benchmark::State& state) {
  vqm::MakeDirectoryPath(CsvDirectory().c_str(), 0);
  const std::string path = CsvDirectory() + "/FLOOR.csv";
  const std::string row = "\"BENCHES\",20240315,093000,5123.4502,5124.5000,5122.7500,5124.0000,1200\r\n";
  FILE* f = vqm::platform::OpenFile(path.c_str(), "wb");
  if (f) fclose(f);
  for (auto _ : state) {
    f = vqm::platform::OpenFile(path.c_str(), "ab");
    fwrite(row.data(), 1, row.size(), f);
    fclose(f);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OpenAppendCloseRow)->Iterations(100000);

}  // namespace
