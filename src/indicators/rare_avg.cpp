#include "indicators/rare_avg.h"

#include <algorithm>

#include "base/lock_rule.h"
#include "base/log.h"
#include "frame/exports.h"
#include "indicators/rare_avg_manager.h"

namespace vqm {
namespace {

constexpr int kDiagnosticFactor = 61;  // writes the diagnostic line after the computation

// The most points one call may add. A larger repeat count (nRespFac above 10099) would keep
// the host's thread for seconds and take a gigabyte per call; such a call is refused.
constexpr int kMaxRepeat = 100;

// The absolute value with the processor's wrap-around, so that the most negative date stays
// defined (and negative).
int NegateWrapping(int x) { return static_cast<int>(0u - static_cast<unsigned>(x)); }

}  // namespace

int EffectiveScopeWgt(int nScopeRegr, int nScopeWgt) {
  if (nScopeWgt > 0) return nScopeWgt;
  return std::max(2, nScopeRegr > 12 ? nScopeRegr / 3 : nScopeRegr / 2);
}

namespace {

// RareAvgOnSeries, inline in the export's own call.
[[gnu::always_inline]] inline float OnSeries(CRareAvgSym& s, int date, bool replace, float value,
                                             int barNumber, RareAvgTrace& trace) {
  if (s.lastBar == barNumber) replace = true;
  // An intraday series without day continuity starts afresh each day.
  if (s.barType <= 1 && s.dayKey == 0 && date != s.lastDate && s.PointCount() > 1) s.Reset();
  trace.stage = 4;

  const int repeat = s.PointsPerCall();
  const int respFac = s.ResponseFactor();
  // A replace takes back as many points as a call adds; the stacks keep what was pushed.
  if (replace)
    for (int i = 0; i < repeat && s.PointCount() > 0; ++i) s.RemoveNewest();
  s.lastBar = barNumber;

  float result = kRareAvgError;
  for (int i = 0; i < repeat; ++i) {
    s.AddPoint(date, value);
    trace.stage = 5;
    if (s.Compute(s.regrLength, s.wgtLength, respFac, &result) != 0) return kRareAvgError;
  }
  trace.stage = 6;
  return result;
}

}  // namespace

float RareAvgOnSeries(CRareAvgSym& s, int date, bool replace, float value, int barNumber,
                      RareAvgTrace& trace) {
  return OnSeries(s, date, replace, value, barNumber, trace);
}

namespace {

// A series for keys no series has yet, logged; null when it cannot be created. Out of line:
// a chart creates its series once.
[[gnu::noinline]] CRareAvgSym* CreateSeries(const RareAvgKeys& keys)
    VQM_REQUIRES_LIBRARY_LOCK {
  CRareAvgSym* s = g_RareAvgMgr.Create(keys);
  if (s != nullptr)
    LOGTRACE(nullptr, 1, "RareAvg: Initializing Sym=%s, BarType=%d, Len=%d (" PTR_FMT ")",
             keys.symbol, keys.barType, keys.regrLength, PtrArg(s));
  return s;
}

// The call's values by value, so that the usual call keeps them in registers.
[[gnu::noinline]] void LogDiagnosticLine(float value, int date, int time, int diagnostic,
                                         int barType, int dayContinuity, float result,
                                         int points) VQM_REQUIRES_LIBRARY_LOCK {
  if (LogDropsLines()) return;
  LOGTRACE(nullptr, 1,
           "ret = RareAvg(nScopeRegr,nScopeWgt,%11.5ff,%d,%4d,nRespFac,%d,%d,%d); "
           "// RespFac=%d, Res=%11.5f, Bar=%5d",
           static_cast<double>(value), date, time, diagnostic, barType, dayContinuity,
           kDiagnosticFactor, static_cast<double>(result), points);
}

// RareAvgCall, inline in the export's frame.
[[gnu::always_inline]] inline float CallInFrame(const RareAvgArgs& a, RareAvgTrace& trace)
    VQM_REQUIRES_LIBRARY_LOCK {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  trace.stage = 0;
  if (a.nRespFac / 100 > kMaxRepeat) return kRareAvgError;
  bool replace = false;
  int date = a.date;
  if (date < 0) {
    date = NegateWrapping(date);
    replace = true;
  }
  trace.date = date;
  const int nScopeWgt = EffectiveScopeWgt(a.nScopeRegr, a.nScopeWgt);
  trace.stage = 2;

  // Nothing to key a series by: the value passes through.
  if (a.symbol == nullptr) return a.value;
  const RareAvgKeys keys{a.symbol, a.nScopeRegr, nScopeWgt, a.nRespFac, a.barType, a.dayContinuity};
  CRareAvgSym* s = g_RareAvgMgr.Find(keys);
  if (s == nullptr) {
    s = CreateSeries(keys);
    if (s == nullptr) return kRareAvgError;  // out of memory: the failure, not a value
  }
  trace.stage = 3;

  const float result = OnSeries(*s, date, replace, a.value, a.barNumber, trace);
  if (trace.stage != 6) return kRareAvgError;
  const int respFac = a.nRespFac >= 100 ? a.nRespFac % 100 : a.nRespFac;
  if (respFac == kDiagnosticFactor)
    LogDiagnosticLine(a.value, date, a.time, a.diagnostic, a.barType, a.dayContinuity, result,
                      s->PointCount());
  return result;
}

}  // namespace

float RareAvgCall(const RareAvgArgs& a, RareAvgTrace& trace) { return CallInFrame(a, trace); }

float ReportRareAvgFailure(Caught caught, const char* message, const RareAvgTrace& t) {
  const char* symbol = t.symbol != nullptr ? t.symbol : "";
  if (caught == Caught::kFramework)
    LOGTRACE("RareAvg", 1,
             "RareAvg: Internal Error1 occured Stage=%d (Sym=%s, Val=%f, Date=%d, Time=%d, "
             "Err=%s)",
             t.stage, symbol, static_cast<double>(t.value), t.date, t.time, message);
  else
    LOGTRACE("RareAvg", 1,
             "RareAvg: Internal Error2 occured Stage=%d (Sym=%s, Val=%f, Date=%d, Time=%d)",
             t.stage, symbol, static_cast<double>(t.value), t.date, t.time);
  return kRareAvgError;
}

}  // namespace vqm

VQM_EXPORT float VQM_RareAvg(const char* symbol, int nScopeRegr, int nScopeWgt, float value,
                             int date, int time, int nRespFac, int diagnostic, int barType,
                             int dayContinuity, int barNumber) {
  vqm::ExportLock lock;
  const vqm::RareAvgArgs args{symbol,   nScopeRegr, nScopeWgt, value,         date,     time,
                              nRespFac, diagnostic, barType,   dayContinuity, barNumber};
  vqm::RareAvgTrace trace{0, symbol, value, date, time};
  return vqm::GuardRareAvg(
      trace, [&]() VQM_REQUIRES_LIBRARY_LOCK { return vqm::CallInFrame(args, trace); });
}
