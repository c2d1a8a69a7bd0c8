#include "indicators/bsp/bsp_calc.h"

#include "frame/exports.h"
#include "indicators/bsp/bsp_manager.h"

namespace vqm {

namespace {

// volumeAvg.AddMA(total), to the bit, with the sums of the slots before the one written kept
// from earlier pushes: a full ring of n values costs n/2 additions on average.
void PushVolume(CBSPSet& inst, float total) {
  if (inst.volumeAvg.capacity > inst.volumeSumsCapacity)  // no room for the sums
    inst.volumeAvg.AddMA(total);
  else
    inst.volumeAvg.AddMAKeepingSums(total, inst.volumeSums.get());
}

}  // namespace

float CalcBuySellPressure(CBSPSet& inst, float up, float down, int style) {
  const float total = up + down;
  const float diff = up - down;
  PushVolume(inst, total);
  const float avg = inst.volumeAvg.value;  // the current bar included
  const float ratio = avg > 0.0f ? total / avg : 1.0f;
  float share;
  if (diff >= 0.0f) {
    share = up > 0.0f ? 1.0f - down / up : 1.0f;
  } else {
    share = down > 0.0f ? (1.0f - up / down) * -1.0f : -1.0f;
  }
  const float p = ratio * share;

  // Styles 1 and 3 average only the bars on which a side dominates, 2 and 4 every bar with 0
  // for the other side; 1 and 2 smooth exponentially, 3 and 4 with a simple mean.
  if (style < 1 || style > 4) return p;
  const bool everyBar = style == 2 || style == 4;
  // Called directly, not through a member pointer: the compiler sees which push it makes.
  const auto push = [style](CCalcStack& stack, float x) {
    if (style <= 2)
      stack.AddEMA(x);
    else
      stack.AddMA(x);
  };
  if (p > 0.0f || everyBar) push(inst.buyAvg, p > 0.0f ? p : 0.0f);
  if (p < 0.0f || everyBar) push(inst.sellAvg, p < 0.0f ? -p : 0.0f);
  inst.pressureAvg.AddEMA(p);
  return p;
}

}  // namespace vqm

// Only an instance that VQM_BSP created is accepted (its handle from VQM_BSPHandle); for
// any other value, which is never dereferenced, the output is set to 0 and the result is -1.
// A null output refuses the call with -1 before anything changes.
VQM_EXPORT int VQM_BSPCalc(CBSPSet* instance, float up, float down, int style, float* pressure) {
  return vqm::ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (pressure == nullptr) return -1;
    if (!vqm::g_BSPMgr.Holds(instance)) {
      *pressure = 0.0f;
      return -1;
    }
    *pressure = vqm::CalcBuySellPressure(*instance, up, down, style);
    return 0;
  });
}
