// vqm-replay's own work over a 1 000 000-bar file, apart from the library's calls: reading and
// parsing the bars, writing the replay CSV with the columns of a full run (filled with stand-in
// results), gathering the chart's columns and drawing the SVG. The baseline counts the file's
// lines with fread, as wc -l does. The peak resident size is reported after 100 000 and after
// 1 000 000 bars: the tool streams, so it must not grow with the bars.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bars.h"
#include "chart_data.h"
#include "replay_csv.h"
#include "ribbon.h"
#include "svg_chart.h"

namespace vqm::replay {
namespace {

// A random walk of one-minute bars with tick volumes, written once per size.
std::string BarFile(size_t bars) {
  const std::string path = "/tmp/vqm_replay_bench_" + std::to_string(bars) + ".csv";
  FILE* f = fopen(path.c_str(), "wb");
  fputs("Date,Time,Open,High,Low,Close,Volume,UpVolume,DownVolume\n", f);
  unsigned state = 20240311;
  long close = 400000;
  int day = 0, minute = 0;
  for (size_t i = 0; i < bars; ++i) {
    state = state * 1103515245u + 12345u;
    const long open = close;
    close = std::max(1000L, open + static_cast<long>(state >> 16) % 801 - 400);
    const long high = std::max(open, close) + static_cast<long>(state % 60);
    const long low = std::min(open, close) - static_cast<long>(state / 7 % 60);
    const int date = 20000101 + day / 28 % 12 * 100 + day % 28 + day / 336 * 10000;
    fprintf(f, "%d,%02d%02d,%ld.%02ld,%ld.%02ld,%ld.%02ld,%ld.%02ld,%u,%u,%u\n", date, minute / 60,
            minute % 60, open / 100, open % 100, high / 100, high % 100, low / 100, low % 100,
            close / 100, close % 100, 600 + state % 500, 300 + state % 250, 300 + state % 250);
    if (++minute == 1440) minute = 0, ++day;
  }
  fclose(f);
  return path;
}

long PeakKilobytes() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// The columns of a default run: the five indicators' outputs.
const std::vector<std::string> kColumns = {
    "rareavg", "rareavg_status", "trendrev_result", "trendrev_position", "trendrev_width",
    "bsp_result", "bsp_pressure", "findgem_add", "findgem_calc", "findgem_fall_below_low",
    "findgem_rise_above_low", "findgem_rise_above_high", "findgem_fall_below_high",
    "prcnorm_result", "prcnorm_open", "prcnorm_high", "prcnorm_low", "prcnorm_close",
    "prcnorm_volume"};

void BM_ReplayToolWork(benchmark::State& state) {
  const size_t bars = static_cast<size_t>(state.range(0));
  const std::string path = BarFile(bars);
  for (auto _ : state) {
    BarReader reader;
    std::string error;
    if (!reader.Open(path, ReadOptions(), &error)) state.SkipWithError(error.c_str());
    ReplayCsv csv(fopen("/tmp/vqm_replay_bench_out.csv", "wb"), true, false, kColumns);
    ChartData chart(kPlotWidth);
    RibbonTracker ribbon(RibbonLengths(10, 120));
    std::vector<Cell> cells(kColumns.size());
    Bar bar;
    int number = 0;
    while (reader.Next(&bar, &error) == 1) {
      ++number;
      // Stand-in results in the columns' kinds, as the runners would leave them.
      for (size_t c = 0; c < cells.size(); ++c)
        cells[c] = c % 3 == 0 ? Cell::Int(number % 7) : Cell::Float(bar.closeF + static_cast<float>(c));
      csv.Row(bar, number, 0, cells.data());
      const RibbonBounds b = ribbon.Add(bar.close);
      float values[kSeriesCount];
      for (int s = 0; s < kSeriesCount; ++s) values[s] = cells[static_cast<size_t>(s)].f;
      values[kRibbonLow] = static_cast<float>(b.low);
      values[kRibbonHigh] = static_cast<float>(b.high);
      chart.Add(bar, values);
    }
    if (!csv.Close()) state.SkipWithError("CSV not written");
    benchmark::DoNotOptimize(RenderSvg(chart, "bench", ChartPanels{true, true, true, true, true, "ribbon"}));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * bars));
  state.counters["peak_kB"] = static_cast<double>(PeakKilobytes());
  remove(path.c_str());
  remove("/tmp/vqm_replay_bench_out.csv");
}
BENCHMARK(BM_ReplayToolWork)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReplayBarFileLines(benchmark::State& state) {
  const size_t bars = static_cast<size_t>(state.range(0));
  const std::string path = BarFile(bars);
  std::vector<char> block(1 << 16);
  for (auto _ : state) {
    FILE* f = fopen(path.c_str(), "rb");
    size_t lines = 0, got;
    while ((got = fread(block.data(), 1, block.size(), f)) > 0)
      for (size_t i = 0; i < got; ++i) lines += block[i] == '\n';
    fclose(f);
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * bars));
  remove(path.c_str());
}
BENCHMARK(BM_ReplayBarFileLines)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace vqm::replay
