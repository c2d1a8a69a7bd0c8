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

// The pressure of a bar whose total is already in the volume average.
[[gnu::always_inline]] inline float Pressure(const CBSPSet& inst, float up, float down) {
  const float total = up + down;
  const float diff = up - down;
  const float avg = inst.volumeAvg.value;  // the current bar included
  const float ratio = avg > 0.0f ? total / avg : 1.0f;
  float share;
  if (diff >= 0.0f) {
    share = up > 0.0f ? 1.0f - down / up : 1.0f;
  } else {
    share = down > 0.0f ? (1.0f - up / down) * -1.0f : -1.0f;
  }
  return ratio * share;
}

// A bar of style 1 or 2 on an instance whose pushes are ready: no call on the way, so the
// pressure stays in registers. Inline in the export: the scripts' usual case. With
// kSteadyRings the volume and pressure rings are known to be full, so their pushes skip the
// warm-up's tests.
template <bool kSteadyRings>
[[gnu::always_inline]] inline float ReadyExponentialBarPressure(CBSPSet& inst, float up,
                                                               float down, bool everyBar) {
  // Read before the pushes, whose stores the compiler cannot tell from it.
  const float factor = inst.emaFactor;
  if (kSteadyRings)
    inst.volumeAvg.AddMAKeepingSumsInFullRing(up + down, inst.volumeSums.get());
  else
    inst.volumeAvg.AddMAKeepingSumsReady(up + down, inst.volumeSums.get());
  const float p = Pressure(inst, up, down);
  // BarPressure's pushes, with the style tested once: buy before sell.
  if (everyBar) {
    inst.buyAvg.AddEMAReady(p > 0.0f ? p : 0.0f, factor);
    inst.sellAvg.AddEMAReady(p < 0.0f ? -p : 0.0f, factor);
  } else if (p > 0.0f) {
    inst.buyAvg.AddEMAReady(p, factor);
  } else if (p < 0.0f) {
    inst.sellAvg.AddEMAReady(-p, factor);
  }
  if (kSteadyRings)
    inst.pressureAvg.AddEMAInFullRing(p, factor);
  else
    inst.pressureAvg.AddEMAReady(p, factor);
  return p;
}

// The pressure of one bar, whose style smooths exponentially (styles 1 and 2, and any other
// style, which does not smooth) or with a simple mean (3 and 4).
template <bool kExponential>
float BarPressure(CBSPSet& inst, float up, float down, int style) {
  PushVolume(inst, up + down);
  const float p = Pressure(inst, up, down);

  // Styles 1 and 3 average only the bars on which a side dominates, 2 and 4 every bar with 0
  // for the other side; 1 and 2 smooth exponentially, 3 and 4 with a simple mean.
  if (style < 1 || style > 4) return p;
  const bool everyBar = style == 2 || style == 4;
  const auto push = [&inst](CCalcStack& stack, float x) {
    if (kExponential)
      stack.AddEMAWithFactor(x, inst.emaFactor);
    else
      stack.AddMA(x);
  };
  if (p > 0.0f || everyBar) push(inst.buyAvg, p > 0.0f ? p : 0.0f);
  if (p < 0.0f || everyBar) push(inst.sellAvg, p < 0.0f ? -p : 0.0f);
  inst.pressureAvg.AddEMAWithFactor(p, inst.emaFactor);
  return p;
}

[[gnu::always_inline]] inline float AnyBarPressure(CBSPSet& inst, float up, float down,
                                                  int style) {
  if ((style == 1 || style == 2) && inst.pushesReady) {
    const float p = ReadyExponentialBarPressure<false>(inst, up, down, style == 2);
    inst.NoteSteadyRings();
    return p;
  }
  return style <= 2 ? BarPressure<true>(inst, up, down, style)
                    : BarPressure<false>(inst, up, down, style);
}

}  // namespace

float CalcBuySellPressure(CBSPSet& inst, float up, float down, int style) {
  return AnyBarPressure(inst, up, down, style);
}

namespace {

// VQM_BSPCalc under the full lock: every check, any style, any state of the instance. Its
// arguments are the export's, so that the export ends in a jump to it on either system.
[[gnu::noinline]] int CalcAnyBar(CBSPSet* instance, float up, float down, int style,
                                 float* pressure) {
  return ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (pressure == nullptr) return -1;
    if (!g_BSPMgr.Holds(instance)) {
      *pressure = 0.0f;
      return -1;
    }
    *pressure = AnyBarPressure(*instance, up, down, style);
    return 0;
  });
}

// The same once a revoker of the lock's bias, which the usual bar found waiting, is woken.
[[gnu::noinline, gnu::cold]] int WakeRevokerThenCalcAnyBar(CBSPSet* instance, float up,
                                                           float down, int style,
                                                           float* pressure) {
  WakeLeafLockRevoker();
  return CalcAnyBar(instance, up, down, style, pressure);
}

// The usual bar's result once it leaves the lock, waking a revoker of the bias that waits.
[[gnu::always_inline]] inline int LeaveUsualBar() VQM_RELEASE(kLibraryLock) {
  if (__builtin_expect(LeaveLeafLock(), 0)) return WakeLeafLockRevokerThen(0);
  return 0;
}

}  // namespace
}  // namespace vqm

// Only an instance that VQM_BSP created is accepted (its handle from VQM_BSPHandle); for
// any other value, which is never dereferenced, the output is set to 0 and the result is -1.
// A null output refuses the call with -1 before anything changes.
//
// The usual bar (the instance found last, style 1 or 2, its averages ready with the volume
// and pressure rings full, the calling thread holding the lock's bias) calls nothing on the
// way, so nothing is saved or spilled; everything else is left to the general path, called
// last.
VQM_EXPORT int VQM_BSPCalc(CBSPSet* instance, float up, float down, int style, float* pressure) {
  using namespace vqm;
  bool wakeRevoker = false;
  if (TryEnterLeafLock(wakeRevoker)) {
    if (pressure != nullptr && g_BSPMgr.IsHeldLast(instance) && instance->steadyRings) {
      // A copy for each style, tested once: the style is then not kept in a register
      // through the work.
      if (style == 1) {
        *pressure = ReadyExponentialBarPressure<true>(*instance, up, down, false);
        return LeaveUsualBar();
      }
      if (style == 2) {
        *pressure = ReadyExponentialBarPressure<true>(*instance, up, down, true);
        return LeaveUsualBar();
      }
    }
    wakeRevoker = LeaveLeafLock();
  }
  if (__builtin_expect(wakeRevoker, 0))
    return WakeRevokerThenCalcAnyBar(instance, up, down, style, pressure);
  return CalcAnyBar(instance, up, down, style, pressure);
}
