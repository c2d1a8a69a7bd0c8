// VQM_TrendReversal: where the bar's price stands in the ribbon of its series, and how wide
// the ribbon is.
#include <memory>

#include "frame/exports.h"
#include "base/log.h"
#include "datetime/host_forms.h"
#include "indicators/trend_reversal_bar.h"
#include "indicators/trend_reversal_manager.h"

namespace vqm {
namespace {

constexpr int kFirstDate = 900000;  // 1 January 1990 in the host's form

std::unique_ptr<CTrendRevSym> CreateSeries(const char* symbol, int barKey1, int barKey2, int fast,
                                           int slow) {
  std::unique_ptr<CTrendRevSym> s(new CTrendRevSym);
  s->fast = fast;
  s->slow = slow;
  s->exp = 0;
  s->symbol = symbol;
  s->barKey1 = barKey1;
  s->barKey2 = barKey2;
  s->BuildRibbon();
  LOGTRACE("TrendRev", 1,
           "AddSym (Ver=%s) ret=%4d, Sym=%-10.10s, Bar=%d/%3d, Fast=%4d, Slow=%4d, Steps=%4d, "
           "Exp=%d",
           CTrendRevSym::kVersion, 0, symbol, barKey1, barKey2, s->fast, s->slow, s->steps, s->exp);
  return s;
}

// The series of this bar: found, replaced by a fresh one when the bar's time goes back
// before the series' latest call, or created. `index` is the series found (Find), or -1.
CTrendRevSym* SeriesForBar(int index, const char* symbol, int barKey1, int barKey2,
                           const DateTime& time, int fast, int slow) VQM_REQUIRES_LIBRARY_LOCK {
  CTrendRevMgr& mgr = g_TrendRevMgr;
  if (index >= 0 && !TrendRevGoesBack(*mgr.GetAt(index), time)) return mgr.GetAt(index);
  std::unique_ptr<CTrendRevSym> fresh = CreateSeries(symbol, barKey1, barKey2, fast, slow);
  if (index >= 0) {
    mgr.Replace(index, std::move(fresh));
    return mgr.GetAt(index);
  }
  return mgr.GetAt(mgr.Append(fresh));
}

// Both outputs are cleared first, so a refused call leaves zeros. A null output pointer
// refuses the call (-3) before the series is touched.
int TrendReversal(const char* symbol, int date, int time, int barKey1, int barKey2, float price,
                  float widthFactor, int fast, int slow, float* position,
                  float* width) VQM_REQUIRES_LIBRARY_LOCK {
  if (position != nullptr) *position = 0.0f;
  if (width != nullptr) *width = 0.0f;
  if (date < kFirstDate) return -1;
  if (symbol == nullptr) return -2;
  if (position == nullptr || width == nullptr) return -3;

  // The series is looked for first, so that its memory is on its way while the bar's time is
  // converted (finding creates nothing, so nothing is logged out of order).
  const int index = g_TrendRevMgr.Find(symbol, barKey1, barKey2);
  const DateTime barTime = HostBarTime(date, time);
  CTrendRevSym* series = SeriesForBar(index, symbol, barKey1, barKey2, barTime, fast, slow);
  const TrendRevResult r = TrendRevBar(*series, barTime, price, widthFactor);
  *position = r.position;
  *width = r.width;
  return r.status;
}

}  // namespace
}  // namespace vqm

// Any failure the measurement cannot report (memory exhausted) returns -1, outputs 0.
VQM_EXPORT int VQM_TrendReversal(int /*notUsed*/, const char* symbol, int date, int time,
                                 int barKey1, int barKey2, float price, float widthFactor, int fast,
                                 int slow, float* position, float* width) {
  return vqm::ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    return vqm::TrendReversal(symbol, date, time, barKey1, barKey2, price, widthFactor, fast, slow,
                              position, width);
  });
}
