#include "testing/indicator_calls.h"

#include <cstring>

namespace vqm::test {

IndicatorExports LinkedIndicatorExports() {
  return {&::VQM_RareAvg, &::VQM_TrendReversal, &::VQM_FindGemAdd, &::VQM_FindGemCalc,
          &::VQM_BSP,     &::VQM_BSPHandle,     &::VQM_BSPCalc,    &::VQM_F_PrcNorm};
}

void CallRareAvg(const IndicatorExports& x, RandomWalk& walk, int regr, int i) {
  x.rareAvg("ES", regr, 0, walk.Next(), BarDate(i), BarTime(i), 60, 0, 2, 0, i);
}

void CallTrendReversal(const IndicatorExports& x, RandomWalk& walk, int i) {
  float position = 0, width = 0;
  x.trendReversal(0, "ES", BarDate(i), BarTime(i), 1, 5, walk.Next(), 1.0f, 10, 120, &position,
                  &width);
}

void CallFindGemAdd(const IndicatorExports& x, RandomWalk& walk, int i) {
  const int price = static_cast<int>(walk.Next() * 100.0f);
  int open = price, high = price + 5, low = price - 5, close = price, volume = 100 + i % 7;
  x.findGemAdd(0, "ES", BarDate(i), BarTime(i), 100, &open, &high, &low, &close, &volume, 100);
}

void CallFindGemCalc(const IndicatorExports& x, int bar) {
  float out[4];
  x.findGemCalc(0, "ES", BarDate(bar), BarTime(bar), 0, &out[0], &out[1], &out[2], &out[3]);
}

CBSPSet* OpenBSPInstance(const IndicatorExports& x, HostDouble& host) {
  host.maxBarsBack = 1;
  host.SetParameters(10, 20, 1);
  host.SetAbsoluteBar(1);
  char keyText[256] = "ES";
  x.bsp("sub", 1, 0, keyText, &host, 0);
  strcpy(keyText, "ES");
  return reinterpret_cast<CBSPSet*>(x.bspHandle("sub", 1, 0, keyText));
}

void CallBSPCalc(const IndicatorExports& x, CBSPSet* instance, int i) {
  float pressure = 0;
  x.bspCalc(instance, 100.0f + static_cast<float>(i % 13), 90.0f + static_cast<float>(i % 7), 1,
            &pressure);
}

void CallPrcNorm(const IndicatorExports& x, int i) {
  int v[5] = {i, i + 1, -i, 100000 + i, 7};
  x.prcNorm(i % 2 ? 0.5f : 2.5f, &v[0], &v[1], &v[2], &v[3], &v[4]);
}

}  // namespace vqm::test
