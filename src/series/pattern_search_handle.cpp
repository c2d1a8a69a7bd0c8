// The pattern search as a series of its own: one CFindGemDB, the history the exports keep
// for the process, fed by the same code. Each bar is added and then measured as the calc
// export measures it, which looks only at that bar and the ones before it.
#include <cstddef>

#include "frame/export_frame.h"
#include "indicators/pattern_search_bar.h"
#include "series/series_bar_time.h"
#include "series/series_handle.h"

namespace vqm {
namespace {

class PatternSearchSeries : public vqm_series {
 public:
  static constexpr SeriesKind kKind = SeriesKind::kPatternSearch;
  PatternSearchSeries(int mode, int divisor)
      : vqm_series(kKind), divisor_(divisor), mode_(DecodeFindGemMode(mode)) {
    history_.Restart("", mode_);
  }
  // The history starts again in the memory it has, as the exports' does for a new symbol.
  void Reset() override { history_.Restart("", mode_); }

  int Push(int date, int time, const int (&bar)[5], int* status, float* excursions) {
    DateTime barTime;
    if (!SeriesBarTime(date, time, &barTime)) return VQM_E_DATE;
    float values[5];
    FindGemBarValues(divisor_, bar[0], bar[1], bar[2], bar[3], bar[4], values);
    history_.AddBar(barTime, values);
    const FindGemExcursions e = FindGemMeasureAt(history_, barTime);
    *status = e.status;
    excursions[0] = e.fallBelowLow;
    excursions[1] = e.riseAboveLow;
    excursions[2] = e.riseAboveHigh;
    excursions[3] = e.fallBelowHigh;
    PublishNextPush();
    return VQM_OK;
  }

 private:
  void PublishNextPush() {
    int i = 0;
    const auto publish = [&](const void* at, size_t bytes) {
      if (i < kAheadRanges) PublishAhead(i++, at, bytes);
    };
    // The history's fields that a push reads end within the bytes the registry asks for
    // with the object, unless they grow: then they are published too. (Both offsets are
    // known when compiling: the test costs nothing.)
    const size_t fieldsEnd = static_cast<size_t>(reinterpret_cast<const char*>(&history_) -
                                                 reinterpret_cast<const char*>(this)) +
                             history_.HotBytes();
    if (fieldsEnd > kObjectBytes) publish(&history_, history_.HotBytes());
    history_.ForNextBar(publish);
  }

  const int divisor_;
  // In the object, so that a push finds the history's fields beside the object's own.
  CFindGemDB history_;
  const FindGemMode mode_;  // read by Reset only
};

}  // namespace
}  // namespace vqm

using vqm::PatternSearchSeries;

VQM_EXPORT int vqm_pattern_search_create(int mode, int divisor, vqm_series** out) {
  if (out == nullptr) return VQM_E_ARGUMENT;
  *out = nullptr;
  if (divisor < 1) return VQM_E_PARAMETER;
  return vqm::SeriesGuard(
      [&] { return vqm::RegisterSeries(new PatternSearchSeries(mode, divisor), out); });
}

VQM_EXPORT int vqm_pattern_search_push(vqm_series* series, int date, int time, int open, int high,
                                       int low, int close, int volume, int* status,
                                       float excursions[4]) {
  return vqm::SeriesGuard([&] {
    PatternSearchSeries* s = vqm::Live<PatternSearchSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (status == nullptr || excursions == nullptr) return VQM_E_ARGUMENT;
    const int bar[5] = {open, high, low, close, volume};
    return s->Push(date, time, bar, status, excursions);
  });
}

VQM_EXPORT int vqm_pattern_search_push_n(vqm_series* series, size_t n, const int* date,
                                         const int* time, const int* open, const int* high,
                                         const int* low, const int* close, const int* volume,
                                         int* status, float* excursions) {
  return vqm::SeriesGuard([&] {
    PatternSearchSeries* s = vqm::Live<PatternSearchSeries>(series);
    if (s == nullptr) return VQM_E_HANDLE;
    if (n > 0 && (date == nullptr || time == nullptr || open == nullptr || high == nullptr ||
                  low == nullptr || close == nullptr || volume == nullptr || status == nullptr ||
                  excursions == nullptr))
      return VQM_E_ARGUMENT;
    for (size_t i = 0; i < n; ++i) {
      const int bar[5] = {open[i], high[i], low[i], close[i], volume[i]};
      const int rc = s->Push(date[i], time[i], bar, &status[i], &excursions[4 * i]);
      if (rc != VQM_OK) return rc;
    }
    return VQM_OK;
  });
}
