#include "indicators/bsp/bsp_set.h"

void CBSPSet::Restart(int avgLen, int volLen) {
  volumeAvg.Free();
  pressureAvg.Free();
  buyAvg.Free();
  sellAvg.Free();
  volumeAvg.Init(volLen);
  pressureAvg.Init(avgLen);
  buyAvg.Init(avgLen);
  sellAvg.Init(avgLen);
}
