// The buy/sell pressure as a series of its own: one CBSPSet, the instance the export's
// manager keeps per chart key, fed by the same calculation, with the up-tick and down-tick
// volumes given by the caller instead of read through the host object.
#include "averages/calc_stack.h"
#include "frame/export_frame.h"
#include "indicators/bsp/bsp_calc.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

class BspSeries : public vqm_series {
 public:
  static constexpr SeriesKind kKind = SeriesKind::kBsp;
  BspSeries(int avgLen, int volLen, int style)
      : vqm_series(kKind), avgLen_(avgLen), volLen_(volLen), style_(style), set_(std::string()) {
    set_.Restart(avgLen_, volLen_);
  }
  // As VQM_BSP restarts an instance when the script goes back to an earlier bar.
  void Reset() override { set_.Restart(avgLen_, volLen_); }
  float Push(float up, float down) { return CalcBuySellPressure(set_, up, down, style_); }

 private:
  const int avgLen_, volLen_, style_;
  CBSPSet set_;
};

}  // namespace
}  // namespace vqm

using vqm::BspSeries;

VQM_EXPORT int vqm_bsp_create(int avg_len, int vol_len, int style, vqm_series** out) {
  if (out == nullptr) return VQM_E_ARGUMENT;
  *out = nullptr;
  // A length the averaging engine refuses would leave a stack that logs every push.
  auto accepted = [](int length) { return length >= 1 && length <= vqm::kMaxStackLength; };
  if (!accepted(avg_len) || !accepted(vol_len)) return VQM_E_PARAMETER;
  return vqm::SeriesGuard(
      [&] { return vqm::RegisterSeries(new BspSeries(avg_len, vol_len, style), out); });
}

VQM_EXPORT int vqm_bsp_push(vqm_series* series, float up, float down, float* pressure) {
  return vqm::SeriesGuard([&] {
    BspSeries* s = vqm::Live<BspSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (pressure == nullptr) return VQM_E_ARGUMENT;
    *pressure = s->Push(up, down);
    return VQM_OK;
  });
}

VQM_EXPORT int vqm_bsp_push_n(vqm_series* series, size_t n, const float* up, const float* down,
                              float* pressure) {
  return vqm::SeriesGuard([&] {
    BspSeries* s = vqm::Live<BspSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (n > 0 && (up == nullptr || down == nullptr || pressure == nullptr)) return VQM_E_ARGUMENT;
    for (size_t i = 0; i < n; ++i) pressure[i] = s->Push(up[i], down[i]);
    return VQM_OK;
  });
}
