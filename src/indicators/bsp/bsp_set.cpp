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
}
