#include "indicators/price_normalisation.h"

#include <climits>
#include <cmath>

#include "frame/exports.h"

namespace vqm {
namespace {

// Truncation toward zero with the x86 answer for what does not fit: INT_MIN.
int TruncateToInt(float f) {
  if (std::isnan(f) || f >= 2147483648.0f || f < -2147483648.0f) return INT_MIN;
  return static_cast<int>(f);
}

}  // namespace

int RoundPrice(float x, int scale) {
  const float d = 5.1f / static_cast<float>(scale * 10);
  const float shifted = x > 0.0f ? x + d : x - d;
  return TruncateToInt(shifted * static_cast<float>(scale));
}

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
  return vqm::ExportFrame(-1, [&] {
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
