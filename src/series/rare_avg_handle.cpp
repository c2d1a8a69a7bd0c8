// The weighted regression average as a series of its own: one CRareAvgSym, the object the
// export's manager keeps per symbol, fed by the same per-bar code.
#include <memory>

#include "averages/calc_stack.h"
#include "frame/export_frame.h"
#include "indicators/rare_avg.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

constexpr int kMaxRepeat = 100;  // as the export: more points per call are refused

struct RareAvgParams {
  int regr, wgt, respFac, barType, dayContinuity;
};

std::unique_ptr<CRareAvgSym> FreshSeries(const RareAvgParams& p) {
  std::unique_ptr<CRareAvgSym> s(new CRareAvgSym);
  s->regrLength = p.regr;
  s->wgtLength = p.wgt;
  s->respFacKey = p.respFac;
  s->barType = p.barType;
  s->dayKey = p.dayContinuity;
  return s;
}

class RareAvgSeries : public vqm_series {
 public:
  static constexpr SeriesKind kKind = SeriesKind::kRareAvg;
  explicit RareAvgSeries(const RareAvgParams& p)
      : vqm_series(kKind), params_(p), series_(FreshSeries(p)) {}
  void Reset() override { series_ = FreshSeries(params_); }

  // One value; the bar number of the previous push (or a negative date) replaces.
  int Push(int date, int time, int barNumber, float value, float* result) {
    bool replace = false;
    if (date < 0) {
      date = static_cast<int>(0u - static_cast<unsigned>(date));
      replace = true;
    }
    RareAvgTrace trace{0, nullptr, value, date, time};
    *result = RareAvgOnSeries(*series_, date, replace, value, barNumber, trace);
    return VQM_OK;
  }
  // A bar number unlike the previous push's: a new bar.
  int NextBarNumber() const { return static_cast<int>(static_cast<unsigned>(series_->lastBar) + 1u); }

 private:
  const RareAvgParams params_;
  std::unique_ptr<CRareAvgSym> series_;
};

}  // namespace
}  // namespace vqm

using vqm::RareAvgSeries;

VQM_EXPORT int vqm_rare_avg_create(int regr, int wgt, int resp_fac, int bar_type,
                                   int day_continuity, vqm_series** out) {
  if (out == nullptr) return VQM_E_ARGUMENT;
  *out = nullptr;
  // Stacks longer than the averaging engine holds would be refused with a log line.
  if (regr > vqm::kMaxStackLength || wgt > vqm::kMaxStackLength ||
      resp_fac / 100 > vqm::kMaxRepeat)
    return VQM_E_PARAMETER;
  const vqm::RareAvgParams p{regr, vqm::EffectiveScopeWgt(regr, wgt), resp_fac, bar_type,
                             day_continuity};
  return vqm::SeriesGuard([&] { return vqm::RegisterSeries(new RareAvgSeries(p), out); });
}

VQM_EXPORT int vqm_rare_avg_push(vqm_series* series, int date, int time, int bar_number,
                                 float value, float* result) {
  return vqm::SeriesGuard([&] {
    RareAvgSeries* s = vqm::Live<RareAvgSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (result == nullptr) return VQM_E_ARGUMENT;
    return s->Push(date, time, bar_number, value, result);
  });
}

VQM_EXPORT int vqm_rare_avg_push_n(vqm_series* series, size_t n, const int* date, const int* time,
                                   const int* bar_number, const float* value, float* result) {
  return vqm::SeriesGuard([&] {
    RareAvgSeries* s = vqm::Live<RareAvgSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (n > 0 && (date == nullptr || time == nullptr || value == nullptr || result == nullptr))
      return VQM_E_ARGUMENT;
    for (size_t i = 0; i < n; ++i) {
      const int bar = bar_number != nullptr ? bar_number[i] : s->NextBarNumber();
      s->Push(date[i], time[i], bar, value[i], &result[i]);
    }
    return VQM_OK;
  });
}
