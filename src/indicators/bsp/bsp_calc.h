// One bar's buy/sell pressure: the share by which the dominant side's tick volume
// outweighs the other, scaled by the bar's total volume against its recent average.
#pragma once

#include "indicators/bsp/bsp_set.h"

namespace vqm {

// Computes the pressure of a bar with the given up-tick and down-tick volumes, pushes the
// total into the instance's volume average and, for styles 1 to 4, the pressure into its
// buy, sell and pressure averages. All arithmetic in single precision.
float CalcBuySellPressure(CBSPSet& inst, float up, float down, int style);

}  // namespace vqm
