// The moving-average stacks per push, against the same averages of Tulip Indicators (the C
// library bundled in the npm package "tulind") over the same series. The peer is fetched and
// built by scripts/bench.sh; without it its benchmarks are left out.
#include <benchmark/benchmark.h>

#include <vector>

#include "averages/calc_stack.h"

#if defined(VQM_HAVE_TULIP)
extern "C" {
#include "indicators.h"
}
#endif

namespace {

constexpr int kValues = 1000000;
constexpr int kLength = 20;

const std::vector<float>& Series() {
  static const std::vector<float> series = [] {
    std::vector<float> s;
    unsigned seed = 77;
    float price = 1000.0f;
    for (int i = 0; i < kValues; ++i) {
      seed = seed * 1103515245u + 12345u;
      price += static_cast<float>(static_cast<int>(seed >> 16 & 0xFF) - 128) / 64.0f;
      s.push_back(price);
    }
    return s;
  }();
  return series;
}

enum class Kind { kSimple, kExponential, kWeighted };

template <Kind kind>
void BM_CalcStack(benchmark::State& state) {
  const std::vector<float>& series = Series();
  for (auto _ : state) {
    vqm::CCalcStack stack;
    if (kind == Kind::kWeighted) {
      stack.weighted = 1;
      stack.Init(kLength);
      for (int k = 0; k < kLength; ++k) stack.SetWeight(static_cast<float>(kLength - k), k);
    } else {
      stack.Init(kLength);
    }
    for (float x : series) {
      if (kind == Kind::kSimple) stack.AddMA(x);
      if (kind == Kind::kExponential) stack.AddEMA(x);
      if (kind == Kind::kWeighted) stack.AddWgtAvg(x);
    }
    benchmark::DoNotOptimize(stack.value);
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK_TEMPLATE(BM_CalcStack, Kind::kSimple)->Name("BM_Average/Simple/CalcStack")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_CalcStack, Kind::kExponential)->Name("BM_Average/Exponential/CalcStack")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_CalcStack, Kind::kWeighted)->Name("BM_Average/Weighted/CalcStack")->Unit(benchmark::kMillisecond);

#if defined(VQM_HAVE_TULIP)
template <Kind kind>
void BM_Tulip(benchmark::State& state) {
  const std::vector<float>& series = Series();
  const std::vector<double> input(series.begin(), series.end());
  std::vector<double> output(input.size());
  const double options[] = {kLength};
  const double* inputs[] = {input.data()};
  double* outputs[] = {output.data()};
  for (auto _ : state) {
    int r = 0;
    if (kind == Kind::kSimple) r = ti_sma(kValues, inputs, options, outputs);
    if (kind == Kind::kExponential) r = ti_ema(kValues, inputs, options, outputs);
    if (kind == Kind::kWeighted) r = ti_wma(kValues, inputs, options, outputs);
    if (r != TI_OKAY) state.SkipWithError("tulip failed");
    benchmark::DoNotOptimize(output.data());
  }
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK_TEMPLATE(BM_Tulip, Kind::kSimple)->Name("BM_Average/Simple/Tulip")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Tulip, Kind::kExponential)->Name("BM_Average/Exponential/Tulip")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Tulip, Kind::kWeighted)->Name("BM_Average/Weighted/Tulip")->Unit(benchmark::kMillisecond);
#endif

}  // namespace
