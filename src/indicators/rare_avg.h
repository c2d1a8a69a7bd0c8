// The weighted regression average behind VQM_RareAvg: an adaptive moving average kept per
// series in g_RareAvgMgr, called once per bar (and again on real-time updates of the bar).
#pragma once

#include "base/lock_rule.h"
#include "frame/export_frame.h"
#include "indicators/rare_avg_series.h"

namespace vqm {

// The export's arguments, in order.
struct RareAvgArgs {
  const char* symbol;
  int nScopeRegr;  // regression length
  int nScopeWgt;   // smoother length; 0 or less selects a default from nScopeRegr
  float value;
  int date;  // negative: replace the newest point(s)
  int time;
  int nRespFac;       // response factor 0..99 + 100 x repeat count (at most 100), or a
                      // diagnostic code; a larger repeat count is refused
  int diagnostic;     // written to the diagnostic line only
  int barType;        // 1 or less: intraday series
  int dayContinuity;  // 0 lets an intraday series restart at each new date
  int barNumber;      // equal to the previous call's: replace
};

// What the internal-error texts say about the call; `stage` is the last step reached.
struct RareAvgTrace {
  int stage;
  const char* symbol;
  float value;
  int date;  // made absolute by the first step
  int time;
};

// The effective smoother length: nScopeWgt, or when 0 or less nScopeRegr / 3 (above 12) or
// nScopeRegr / 2, at least 2.
int EffectiveScopeWgt(int nScopeRegr, int nScopeWgt);

// One bar on a series, everything the export does once it has its series except logging:
// the replace by bar number, the day restart, the repeat count and the computations, with
// the parameters the series was created with. `date` is already absolute; `replace` says the
// caller's date was negative. Returns the result, kRareAvgError when a computation fails
// (trace.stage then stays below 6). May throw (memory).
float RareAvgOnSeries(CRareAvgSym& s, int date, bool replace, float value, int barNumber,
                      RareAvgTrace& trace);

// One call, unguarded: may throw. REQUIRES: the library-wide lock is held.
float RareAvgCall(const RareAvgArgs& args, RareAvgTrace& trace) VQM_REQUIRES_LIBRARY_LOCK;

// Logs "RareAvg: Internal Error1/2 occured ..." for what was caught (category "RareAvg",
// level 1) and returns kRareAvgError.
float ReportRareAvgFailure(Caught caught, const char* message, const RareAvgTrace& trace);

// Runs body (returning the result) so that no exception leaves it: an exception becomes the
// logged internal-error text and kRareAvgError. The series keeps whatever state it reached.
template <class Body>
[[gnu::always_inline]] inline VQM_REQUIRES_LIBRARY_LOCK float GuardRareAvg(
    const RareAvgTrace& trace, Body&& body) {
  char message[kErrorTextCapacity];
  float result = kRareAvgError;
  const Caught caught =
      RunGuarded([&]() VQM_REQUIRES_LIBRARY_LOCK { result = body(); }, message, sizeof message);
  return caught == Caught::kNone ? result : ReportRareAvgFailure(caught, message, trace);
}

}  // namespace vqm
