// One call of each indicator export the way a chart makes it, bar after bar, for the tools
// that count or time those calls (vqm-callcost, vqm-callspeed): the same arguments whether
// the exports are the ones linked in or those of a library loaded as a host loads it.
#pragma once

#include "frame/exports.h"
#include "testing/host_double.h"
#include "testing/random_walk.h"

namespace vqm::test {

struct IndicatorExports {
  decltype(&::VQM_RareAvg) rareAvg;
  decltype(&::VQM_TrendReversal) trendReversal;
  decltype(&::VQM_FindGemAdd) findGemAdd;
  decltype(&::VQM_FindGemCalc) findGemCalc;
  decltype(&::VQM_BSP) bsp;
  decltype(&::VQM_BSPHandle) bspHandle;
  decltype(&::VQM_BSPCalc) bspCalc;
  decltype(&::VQM_F_PrcNorm) prcNorm;
};

// The exports linked into the program.
IndicatorExports LinkedIndicatorExports();

// Host date and time of bar i: 400 one-minute bars a day.
inline int BarDate(int i) { return 1240102 + i / 400; }
inline int BarTime(int i) { return 900 + (i % 400) / 60 * 100 + (i % 400) % 60; }

// Bar i of the series "ES", its price the walk's next.
void CallRareAvg(const IndicatorExports& x, RandomWalk& walk, int regr, int i);
void CallTrendReversal(const IndicatorExports& x, RandomWalk& walk, int i);
void CallFindGemAdd(const IndicatorExports& x, RandomWalk& walk, int i);
// The excursions at bar `bar` of the history the adds built.
void CallFindGemCalc(const IndicatorExports& x, int bar);
// A pressure instance set up by VQM_BSP (lengths 10 and 20) on host, and its handle.
CBSPSet* OpenBSPInstance(const IndicatorExports& x, HostDouble& host);
void CallBSPCalc(const IndicatorExports& x, CBSPSet* instance, int i);
void CallPrcNorm(const IndicatorExports& x, int i);

}  // namespace vqm::test
