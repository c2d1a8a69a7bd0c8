#include "indicators/price_normalisation.h"

#include "frame/exports.h"

// All five values are read before any is written, so one variable passed twice is scaled
// from its value at entry. A null pointer refuses the call (-1) before anything is written.
VQM_EXPORT int VQM_F_PrcNorm(float factor, int* v1, int* v2, int* v3, int* v4, int* v5) {
  return vqm::ExportFrame(-1, [&] {
    int* targets[5] = {v1, v2, v3, v4, v5};
    for (int* t : targets)
      if (t == nullptr) return -1;
    float values[5];
    for (int i = 0; i < 5; ++i) values[i] = static_cast<float>(*targets[i]);
    if (!(factor > 0.0f) || factor == 1.0f) return 0;
    for (int i = 0; i < 5; ++i) *targets[i] = vqm::RoundPrice(values[i] * factor, 1);
    return 0;
  });
}
