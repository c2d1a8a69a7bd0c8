#include "indicators/price_normalisation.h"

#include "frame/exports.h"

namespace vqm {

bool NormalisePrices(float factor, const int (&in)[5], int (&out)[5]) {
  float values[5];
  for (int i = 0; i < 5; ++i) values[i] = static_cast<float>(in[i]);
  if (!(factor > 0.0f) || factor == 1.0f) return false;
  for (int i = 0; i < 5; ++i) out[i] = RoundPrice(values[i] * factor, 1);
  return true;
}

}  // namespace vqm

// All five values are read before any is written, so one variable passed twice is scaled
// from its value at entry. A null pointer refuses the call (-1) before anything is written.
VQM_EXPORT int VQM_F_PrcNorm(float factor, int* v1, int* v2, int* v3, int* v4, int* v5) {
  return vqm::ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    int* targets[5] = {v1, v2, v3, v4, v5};
    for (int* t : targets)
      if (t == nullptr) return -1;
    int in[5];
    int out[5];
    for (int i = 0; i < 5; ++i) in[i] = *targets[i];
    // Written in order 1 to 5, so that of one variable passed twice the last write wins.
    if (vqm::NormalisePrices(factor, in, out))
      for (int i = 0; i < 5; ++i) *targets[i] = out[i];
    return 0;
  });
}
