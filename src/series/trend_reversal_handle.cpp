// Trend reversal as a series of its own: one CTrendRevSym, the object the export's manager
// keeps per symbol and keys, fed by the same per-bar code.
#include <memory>

#include "averages/calc_stack.h"
#include "frame/export_frame.h"
#include "indicators/trend_reversal_bar.h"
#include "series/series_bar_time.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

class TrendReversalSeries : public vqm_series {
 public:
  static constexpr SeriesKind kKind = SeriesKind::kTrendReversal;
  TrendReversalSeries(int fast, int slow, float widthFactor)
      : vqm_series(kKind), fast_(fast), slow_(slow), widthFactor_(widthFactor),
        series_(FreshSeries()) {}
  void Reset() override { series_ = FreshSeries(); }

  int Push(int date, int time, float price, int* status, float* position, float* width) {
    DateTime barTime;
    if (!SeriesBarTime(date, time, &barTime)) return VQM_E_DATE;
    // The export replaces a series whose bars go back by a fresh one; so does this.
    if (TrendRevGoesBack(*series_, barTime)) series_ = FreshSeries();
    const TrendRevResult r = TrendRevBar(*series_, barTime, price, widthFactor_);
    *status = r.status;
    *position = r.position;
    *width = r.width;
    return VQM_OK;
  }

 private:
  std::unique_ptr<CTrendRevSym> FreshSeries() const {
    std::unique_ptr<CTrendRevSym> s(new CTrendRevSym);
    s->fast = fast_;
    s->slow = slow_;
    s->exp = 0;
    s->BuildRibbon();
    return s;
  }

  const int fast_, slow_;
  const float widthFactor_;
  std::unique_ptr<CTrendRevSym> series_;
};

}  // namespace
}  // namespace vqm

using vqm::TrendReversalSeries;

VQM_EXPORT int vqm_trend_reversal_create(int fast, int slow, float width_factor,
                                         vqm_series** out) {
  if (out == nullptr) return VQM_E_ARGUMENT;
  *out = nullptr;
  // Every average of the ribbon must be one the averaging engine accepts (else each push
  // would be refused with a log line), and an empty ribbon measures nothing.
  if (fast < 1 || slow < fast || slow > vqm::kMaxStackLength) return VQM_E_PARAMETER;
  return vqm::SeriesGuard([&] {
    return vqm::RegisterSeries(new TrendReversalSeries(fast, slow, width_factor), out);
  });
}

VQM_EXPORT int vqm_trend_reversal_push(vqm_series* series, int date, int time, float price,
                                       int* status, float* position, float* width) {
  return vqm::SeriesGuard([&] {
    TrendReversalSeries* s = vqm::Live<TrendReversalSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (status == nullptr || position == nullptr || width == nullptr) return VQM_E_ARGUMENT;
    return s->Push(date, time, price, status, position, width);
  });
}

VQM_EXPORT int vqm_trend_reversal_push_n(vqm_series* series, size_t n, const int* date,
                                         const int* time, const float* price, int* status,
                                         float* position, float* width) {
  return vqm::SeriesGuard([&] {
    TrendReversalSeries* s = vqm::Live<TrendReversalSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (n > 0 && (date == nullptr || time == nullptr || price == nullptr || status == nullptr ||
                  position == nullptr || width == nullptr))
      return VQM_E_ARGUMENT;
    for (size_t i = 0; i < n; ++i) {
      const int rc = s->Push(date[i], time[i], price[i], &status[i], &position[i], &width[i]);
      if (rc != VQM_OK) return rc;
    }
    return VQM_OK;
  });
}
