#include "indicators/bsp/bsp_set.h"

#include <new>

void CBSPSet::Restart(int avgLen, int volLen) {
  volumeAvg.Free();
  pressureAvg.Free();
  buyAvg.Free();
  sellAvg.Free();
  volumeAvg.Init(volLen);
  if (volumeAvg.capacity > volumeSumsCapacity) {
    volumeSums.reset(new (std::nothrow) float[volumeAvg.capacity]);
    volumeSumsCapacity = volumeSums != nullptr ? volumeAvg.capacity : 0;
  }
  pressureAvg.Init(avgLen);
  buyAvg.Init(avgLen);
  sellAvg.Init(avgLen);
  // Outside 1 .. kMaxStackLength no stack is initialised and no push reads the factor.
  emaFactor = avgLen >= 1 && avgLen <= vqm::kMaxStackLength ? vqm::CCalcStack::EmaFactor(avgLen)
                                                            : 0.0f;
  pushesReady = avgLen >= 2 && volumeAvg.items != nullptr && volumeAvg.capacity <= volumeSumsCapacity &&
                pressureAvg.items != nullptr && buyAvg.items != nullptr &&
                sellAvg.items != nullptr;
}
