// Price normalisation as a series: the factor fixed at creation, five prices per bar
// rescaled by the export's own rounding. It keeps no state, so a reset changes nothing.
#include <cstring>

#include "frame/export_frame.h"
#include "indicators/price_normalisation.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

class PriceNormSeries : public vqm_series {
 public:
  static constexpr SeriesKind kKind = SeriesKind::kPriceNorm;
  explicit PriceNormSeries(float factor) : vqm_series(kKind), factor_(factor) {}
  void Reset() override {}
  // A factor that leaves the prices as they are copies them.
  void Push(const int* in, int* out) const {
    int bar[5];
    int scaled[5];
    std::memcpy(bar, in, sizeof bar);
    if (!NormalisePrices(factor_, bar, scaled)) std::memcpy(scaled, bar, sizeof bar);
    std::memcpy(out, scaled, sizeof scaled);
  }

 private:
  const float factor_;
};

}  // namespace
}  // namespace vqm

using vqm::PriceNormSeries;

VQM_EXPORT int vqm_price_norm_create(float factor, vqm_series** out) {
  if (out == nullptr) return VQM_E_ARGUMENT;
  *out = nullptr;
  return vqm::SeriesGuard([&] { return vqm::RegisterSeries(new PriceNormSeries(factor), out); });
}

VQM_EXPORT int vqm_price_norm_push(vqm_series* series, const int in[5], int out[5]) {
  return vqm::SeriesGuard([&] {
    const PriceNormSeries* s = vqm::Live<PriceNormSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (in == nullptr || out == nullptr) return VQM_E_ARGUMENT;
    s->Push(in, out);
    return VQM_OK;
  });
}

VQM_EXPORT int vqm_price_norm_push_n(vqm_series* series, size_t n, const int* in, int* out) {
  return vqm::SeriesGuard([&] {
    const PriceNormSeries* s = vqm::Live<PriceNormSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (n > 0 && (in == nullptr || out == nullptr)) return VQM_E_ARGUMENT;
    for (size_t i = 0; i < n; ++i) s->Push(in + 5 * i, out + 5 * i);
    return VQM_OK;
  });
}
