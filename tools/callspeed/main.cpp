// vqm-callspeed: calls each indicator export of a library loaded by path in the same loop on
// either build (the .so natively, the DLL under Wine) and prints nanoseconds per call:
//
//   vqm-callspeed [--lib PATH] [--calls N] [--rounds N] [SCENARIO...]
//
// Each scenario warms its series up, then times `calls` calls per round with the steady
// clock (QueryPerformanceCounter on Windows) and keeps the fastest round, the one least
// disturbed by other work on the machine. Switch the log off with the settings file beside
// the program (scripts/dll_speed.sh does).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/exports.h"
#include "testing/host_double.h"
#include "testing/indicator_calls.h"
#include "testing/library.h"
#include "testing/random_walk.h"

namespace {

using vqm::test::Library;

vqm::test::IndicatorExports g_x;
vqm::test::RandomWalk g_walk;
int g_warmCalls = 3000;  // calls before the clock starts; FindGemCalc builds its history here

void RareAvg(int i) { vqm::test::CallRareAvg(g_x, g_walk, 50, i); }

void TrendReversal(int i) { vqm::test::CallTrendReversal(g_x, g_walk, i); }

void AddBar(int i) { vqm::test::CallFindGemAdd(g_x, g_walk, i); }

// The history is built in the warm-up (two bars a call); measured calls ask for its bars in
// order, wrapping round.
void FindGemCalc(int i) {
  if (i < g_warmCalls) {
    AddBar(2 * i);
    AddBar(2 * i + 1);
    return;
  }
  vqm::test::CallFindGemCalc(g_x, 200 + (i - g_warmCalls) % (2 * g_warmCalls - 200));
}

CBSPSet* g_instance = nullptr;

void BSPCalc(int i) {
  if (g_instance == nullptr) {
    static vqm::test::HostDouble host;
    g_instance = vqm::test::OpenBSPInstance(g_x, host);
  }
  vqm::test::CallBSPCalc(g_x, g_instance, i);
}

void PrcNorm(int i) { vqm::test::CallPrcNorm(g_x, i); }

struct Scenario {
  const char* name;
  void (*call)(int i);
};

const Scenario kScenarios[] = {
    {"rareavg50", RareAvg},    {"trendrev", TrendReversal}, {"findgemadd", AddBar},
    {"findgemcalc", FindGemCalc}, {"bspcalc", BSPCalc},     {"prcnorm", PrcNorm},
};

double NanosecondsPerCall(const Scenario& s, int calls, int rounds) {
  int i = 0;
  for (; i < g_warmCalls; ++i) s.call(i);
  double best = 1e300;
  for (int r = 0; r < rounds; ++r) {
    const auto start = std::chrono::steady_clock::now();
    for (const int end = i + calls; i < end; ++i) s.call(i);
    const std::chrono::duration<double, std::nano> spent =
        std::chrono::steady_clock::now() - start;
    if (spent.count() < best) best = spent.count();
  }
  return best / calls;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = vqm::test::DefaultLibraryPath();
  int calls = 20000;
  int rounds = 15;
  std::vector<const Scenario*> chosen;
  for (int a = 1; a < argc; ++a) {
    const bool hasValue = a + 1 < argc;
    if (strcmp(argv[a], "--lib") == 0 && hasValue) {
      path = argv[++a];
    } else if (strcmp(argv[a], "--calls") == 0 && hasValue) {
      calls = atoi(argv[++a]);
    } else if (strcmp(argv[a], "--rounds") == 0 && hasValue) {
      rounds = atoi(argv[++a]);
    } else {
      const Scenario* found = nullptr;
      for (const Scenario& s : kScenarios)
        if (strcmp(argv[a], s.name) == 0) found = &s;
      if (found == nullptr) {
        fprintf(stderr, "usage: vqm-callspeed [--lib PATH] [--calls N] [--rounds N] [SCENARIO...]\n"
                        "scenarios:");
        for (const Scenario& s : kScenarios) fprintf(stderr, " %s", s.name);
        fprintf(stderr, "\n");
        return 2;
      }
      chosen.push_back(found);
    }
  }
  if (calls < 1 || rounds < 1) {
    fprintf(stderr, "--calls and --rounds need a positive count\n");
    return 2;
  }
  if (chosen.empty())
    for (const Scenario& s : kScenarios) chosen.push_back(&s);
  // FindGemCalc's measured calls ask only for bars its warm-up added.
  if (g_warmCalls < 200 + calls) g_warmCalls = 200 + calls;

  Library lib(path);
  if (!lib.ok()) {
    fprintf(stderr, "cannot load %s: %s\n", path.c_str(), lib.error().c_str());
    return 1;
  }
  g_x = {lib.Find<decltype(&::VQM_RareAvg)>("VQM_RareAvg"),
         lib.Find<decltype(&::VQM_TrendReversal)>("VQM_TrendReversal"),
         lib.Find<decltype(&::VQM_FindGemAdd)>("VQM_FindGemAdd"),
         lib.Find<decltype(&::VQM_FindGemCalc)>("VQM_FindGemCalc"),
         lib.Find<decltype(&::VQM_BSP)>("VQM_BSP"),
         lib.Find<decltype(&::VQM_BSPHandle)>("VQM_BSPHandle"),
         lib.Find<decltype(&::VQM_BSPCalc)>("VQM_BSPCalc"),
         lib.Find<decltype(&::VQM_F_PrcNorm)>("VQM_F_PrcNorm")};
  if (!g_x.rareAvg || !g_x.trendReversal || !g_x.findGemAdd || !g_x.findGemCalc || !g_x.bsp ||
      !g_x.bspHandle || !g_x.bspCalc || !g_x.prcNorm) {
    fprintf(stderr, "%s lacks an indicator export\n", path.c_str());
    return 1;
  }
  for (const Scenario* s : chosen)
    printf("%-12s %10.1f ns per call\n", s->name, NanosecondsPerCall(*s, calls, rounds));
  return 0;
}
