// vqm-callcost SCENARIO: calls one indicator export the way a chart does, first to warm it
// up, then `kMeasuredCalls` times between callgrind's zero and dump requests, and prints the
// heap allocations made per measured call. Run under
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='VQM_*' vqm-callcost X
// (scripts/instructions.sh does) so that only the export's own instructions are counted.
#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/exports.h"
#include "testing/host_double.h"
#include "testing/indicator_calls.h"
#include "testing/random_walk.h"
#include "vqm/series.h"

// Every allocation of the process goes through malloc; these count the measured ones.
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace
extern "C" void* malloc(size_t n) {
  if (g_counting) ++g_allocations;
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size) {
  if (g_counting) ++g_allocations;
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n) {
  if (g_counting) ++g_allocations;
  return __libc_realloc(p, n);
}

namespace {

constexpr int kWarmCalls = 3000;
constexpr int kMeasuredCalls = 2000;

using Walk = vqm::test::RandomWalk;

using vqm::test::BarDate;
using vqm::test::BarTime;

struct Scenario {
  const char* name;
  // Called with the call number (warm-up and measured calls counted together).
  void (*call)(int i);
};

const vqm::test::IndicatorExports g_x = vqm::test::LinkedIndicatorExports();
Walk g_walk;

template <int kRegr>
void RareAvg(int i) { vqm::test::CallRareAvg(g_x, g_walk, kRegr, i); }

void TrendReversal(int i) { vqm::test::CallTrendReversal(g_x, g_walk, i); }

void FindGemAdd(int i) { vqm::test::CallFindGemAdd(g_x, g_walk, i); }

// The history is built in the warm-up; measured calls ask for bars in order.
void FindGemCalc(int i) {
  if (i < kWarmCalls) {
    FindGemAdd(2 * i);
    FindGemAdd(2 * i + 1);
    return;
  }
  vqm::test::CallFindGemCalc(g_x, 200 + (i - kWarmCalls) * 2);
}

vqm::test::HostDouble* g_host = nullptr;
CBSPSet* g_instance = nullptr;

void BSPCalc(int i) {
  if (g_host == nullptr) {
    g_host = new vqm::test::HostDouble;
    g_instance = vqm::test::OpenBSPInstance(g_x, *g_host);
  }
  vqm::test::CallBSPCalc(g_x, g_instance, i);
}

void PrcNorm(int i) { vqm::test::CallPrcNorm(g_x, i); }

// Lookup scaling: kSeries series of one export called in turn, as a host calculates a
// portfolio's charts. Every measured call finds another series, not touched for kSeries
// calls; run with --cache-sim=yes to count the cache lines a call misses (against the same
// scenario over one series).
template <int kSeries>
const std::string& SymbolOf(int i) {
  static const std::vector<std::string> symbols = [] {
    std::vector<std::string> v;
    for (int k = 0; k < kSeries; ++k) v.push_back("Portfolio_" + std::to_string(k));
    return v;
  }();
  return symbols[static_cast<size_t>(i % kSeries)];
}

// The walk's value for a bar: every series sees the walk one step per bar, as the single
// series of turn1 does (a series called once in 10 000 calls must not see 10 000 steps of
// price between two of its bars, which would make it compute on other numbers).
float PriceOfBar(int bar) {
  static int lastBar = -1;
  static float price = 0.0f;
  if (bar != lastBar) {
    price = g_walk.Next();
    lastBar = bar;
  }
  return price;
}

// 40 bars per series before the first call counted (bar type 2: no restart by date).
template <int kSeries>
void RareAvgInTurn(int i) {
  auto call = [](int k, int bar) {
    VQM_RareAvg(SymbolOf<kSeries>(k).c_str(), 10, 0, PriceOfBar(bar), 1240102, 930, 60, 0, 2, 0,
                bar);
  };
  if (i == 0)
    for (int k = 0; k < 40 * kSeries; ++k) call(k, k / kSeries);
  if (i < kWarmCalls) return;
  call(i, 40 + i / kSeries);
}

// 121 bars per series before the first call counted: every average of the ribbon (the
// longest is 120) is full, as on a chart past its first bars.
template <int kSeries>
void TrendReversalInTurn(int i) {
  constexpr int kWarmBars = 121;
  float position = 0, width = 0;
  auto call = [&](int k, int bar) {
    VQM_TrendReversal(0, SymbolOf<kSeries>(k).c_str(), BarDate(bar), BarTime(bar), 1, 0,
                      g_walk.Next(), 1.0f, 10, 120, &position, &width);
  };
  if (i == 0)
    for (int k = 0; k < kWarmBars * kSeries; ++k) call(k, k / kSeries);
  if (i < kWarmCalls) return;
  call(i, kWarmBars + i / kSeries);
}

// VQM_BSP, VQM_BSPHandle and VQM_BSPCalc, as a script calls them on each bar.
template <int kSeries>
void BSPInTurn(int i) {
  if (g_host == nullptr) {
    g_host = new vqm::test::HostDouble;
    g_host->SetParameters(14, 20, 1);
  }
  char keyText[256] = "bench";
  // Two bars of every instance before the first call counted: the first creates them, the
  // second binds them in turn, as a host that calculates its charts in turn does on every bar.
  if (i == 0)
    for (int bar = 0; bar < 2; ++bar)
      for (int k = 0; k < kSeries; ++k) {
        g_host->SetAbsoluteBar(bar);
        VQM_BSP("live", k, 0, keyText, g_host, 0);
      }
  if (i < kWarmCalls) return;
  g_host->SetAbsoluteBar(2 + i / kSeries);
  VQM_BSP("live", i % kSeries, 0, keyText, g_host, 0);
  CBSPSet* instance = reinterpret_cast<CBSPSet*>(VQM_BSPHandle("live", i % kSeries, 0, "bench"));
  float pressure = 0;
  VQM_BSPCalc(instance, 100.0f + static_cast<float>(i % 13), 90.0f + static_cast<float>(i % 7), 1,
              &pressure);
}

// The pattern search keeps one history behind its exports; its histories multiply through
// the series API, found through the registry of live handles. Scope 20, 30 bars warm.
template <int kSeries>
void PatternSearchInTurn(int i) {
  static std::vector<vqm_series*> series;
  auto push = [](vqm_series* s, int bar) {
    const int level = static_cast<int>(g_walk.Next() * 100.0f);
    int status = 0;
    float excursions[4];
    vqm_pattern_search_push(s, BarDate(bar), BarTime(bar), level, level + 25, level - 25, level + 5,
                            100, &status, excursions);
  };
  if (i == 0) {
    series.resize(kSeries);
    for (vqm_series*& s : series) vqm_pattern_search_create(20, 100, &s);
    for (int k = 0; k < 30 * kSeries; ++k) push(series[static_cast<size_t>(k % kSeries)], k / kSeries);
  }
  if (i < kWarmCalls) return;
  push(series[static_cast<size_t>(i % kSeries)], 30 + i / kSeries);
}

const Scenario kScenarios[] = {
    {"rareavg-turn1", RareAvgInTurn<1>},
    {"rareavg-turn10000", RareAvgInTurn<10000>},
    {"trendrev-turn1", TrendReversalInTurn<1>},
    {"trendrev-turn10000", TrendReversalInTurn<10000>},
    {"bsp-turn1", BSPInTurn<1>},
    {"bsp-turn10000", BSPInTurn<10000>},
    {"patternsearch-turn1", PatternSearchInTurn<1>},
    {"patternsearch-turn10000", PatternSearchInTurn<10000>},
    {"rareavg10", RareAvg<10>},   {"rareavg50", RareAvg<50>},   {"rareavg200", RareAvg<200>},
    {"trendrev", TrendReversal},  {"findgemadd", FindGemAdd},   {"findgemcalc", FindGemCalc},
    {"bspcalc", BSPCalc},         {"prcnorm", PrcNorm},
};

}  // namespace

int main(int argc, char** argv) {
  const Scenario* s = nullptr;
  for (const Scenario& c : kScenarios)
    if (argc == 2 && strcmp(argv[1], c.name) == 0) s = &c;
  if (s == nullptr) {
    fprintf(stderr, "usage: vqm-callcost SCENARIO\nscenarios:");
    for (const Scenario& c : kScenarios) fprintf(stderr, " %s", c.name);
    fprintf(stderr, "\n");
    return 2;
  }
  for (int i = 0; i < kWarmCalls; ++i) s->call(i);
  CALLGRIND_ZERO_STATS;
  g_counting = true;
  for (int i = kWarmCalls; i < kWarmCalls + kMeasuredCalls; ++i) s->call(i);
  g_counting = false;
  CALLGRIND_DUMP_STATS_AT("measured");
  printf("calls %d allocations %ld\n", kMeasuredCalls, g_allocations);
  return 0;
}
