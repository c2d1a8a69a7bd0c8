#include "indicators/price_normalisation.h"

#include "frame/exports.h"

// All five values are read before any is written, so one variable passed twice is scaled
// from its value at entry. A null pointer refuses the call (-1) before anything is written.
// No lock: the export keeps no state and writes no log line.
VQM_EXPORT int VQM_F_PrcNorm(float factor, int* v1, int* v2, int* v3, int* v4, int* v5) {
  return vqm::StatelessExportFrame(-1, [&] {
    if (v1 == nullptr || v2 == nullptr || v3 == nullptr || v4 == nullptr || v5 == nullptr)
      return -1;
    // Nothing is read for a factor that changes nothing: fewer values held across the test.
    if (!vqm::RescalesPrices(factor)) return 0;
    const int in[5] = {*v1, *v2, *v3, *v4, *v5};
    int out[5];
    // Written in order 1 to 5, so that of one variable passed twice the last write wins.
    if (vqm::NormalisePrices(factor, in, out)) {
      *v1 = out[0];
      *v2 = out[1];
      *v3 = out[2];
      *v4 = out[3];
      *v5 = out[4];
    }
    return 0;
  });
}
