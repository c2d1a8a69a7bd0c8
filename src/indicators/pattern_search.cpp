// VQM_FindGemAdd and VQM_FindGemCalc: the bar history of one symbol and the hindsight
// excursions after the bar `scope` bars before a given one.
#include "frame/exports.h"
#include "base/log.h"
#include "datetime/host_forms.h"
#include "indicators/pattern_search_bar.h"
#include "indicators/pattern_search_scan.h"

namespace vqm {
namespace {

constexpr int kFirstDate = 900000;  // 1 January 1990 in the host's form

// The bar times of the usual calcs, a day's date worked out once. (An add is no faster
// with it: it has the date's day to look up anyway.)
PlainHostBarBytesMemo g_calcBarTimes VQM_GUARDED_BY(kLibraryLock);

// A null price or volume pointer refuses the bar (-4) before the history is touched.
int FindGemAdd(const char* symbol, int date, int time, int divisor, const int* open,
               const int* high, const int* low, const int* close, const int* volume,
               int mode) VQM_REQUIRES_LIBRARY_LOCK {
  if (date < kFirstDate) return -1;
  if (symbol == nullptr) return -2;
  if (divisor < 1) return -3;
  if (open == nullptr || high == nullptr || low == nullptr || close == nullptr || volume == nullptr)
    return -4;

  float values[5];
  FindGemBarValues(divisor, *open, *high, *low, *close, *volume, values);
  const DateTime barTime = HostBarTime(date, time);

  CFindGemDB& db = g_FindGemDB;
  if (!db.HasSymbol(symbol)) {
    const FindGemMode m = DecodeFindGemMode(mode);
    db.Restart(symbol, m);
    LOGTRACE("DORVA_FUNC", 1,
             "LoadDB done, Sym=%s, Date=%d (Mode=%d, I=%d, MaxPt=%d. Scope=%d, Version %s %s)",
             symbol, CalendarDateOfHostDate(date), m.shownMode, db.sameDay, db.GetCount(), db.scope,
             kFindGemBuildDate, kFindGemBuildTime);
  }
  const int count = db.AddBar(barTime, values);
  if (!LogDropsLines()) LOGTRACE("FindGem", 1, "Add Max=%4d Idx=%4d", count, count - 1);
  return count;
}

// The usual bar: every pointer given, a date from 1990 on and a date and time that need no
// check, a divisor of 1 or more, the history's symbol byte for byte, the log off, and a bar
// later than the newest that fits the room the history has. Nothing on its way takes the
// lock, logs, allocates or throws, so it runs under the lock's leaf hold. Returns false, with
// nothing changed, for any other call.
bool AddUsualBar(const char* symbol, int date, int time, int divisor, const int* open,
                 const int* high, const int* low, const int* close, const int* volume,
                 int* count) VQM_REQUIRES_LIBRARY_LOCK {
  if (symbol == nullptr || open == nullptr || high == nullptr || low == nullptr ||
      close == nullptr || volume == nullptr || date < kFirstDate || divisor < 1 ||
      !IsPlainHostBarTime(date, time))
    return false;
  const uint64_t timeBytes = PlainHostBarBytes(date, time);
  if (!LogDropsLines() || !g_FindGemDB.HasSymbolBytes(symbol)) return false;
  // The prices are read once the bar is sure to be added here, so that a call that goes the
  // general way reads each of them once, there.
  const auto readValues = [&](float (&values)[5]) {
    FindGemBarValues(divisor, *open, *high, *low, *close, *volume, values);
  };
  return g_FindGemDB.AddLaterBar(timeBytes, readValues, count);
}

// All four outputs are cleared first. A null output pointer refuses the call (-3).
int FindGemCalc(const char* symbol, int date, int time, float* fallBelowLow, float* riseAboveLow,
                float* riseAboveHigh, float* fallBelowHigh) VQM_REQUIRES_LIBRARY_LOCK {
  float* outputs[4] = {fallBelowLow, riseAboveLow, riseAboveHigh, fallBelowHigh};
  bool missing = false;
  for (float* out : outputs) {
    if (out != nullptr)
      *out = 0.0f;
    else
      missing = true;
  }
  if (date < kFirstDate) return -1;
  if (symbol == nullptr) return -2;
  if (missing) return -3;

  const CFindGemDB& db = g_FindGemDB;
  const FindGemExcursions e = FindGemMeasureAt(db, HostBarTime(date, time));
  if (e.status < 0) return -1;
  *fallBelowLow = e.fallBelowLow;
  *riseAboveLow = e.riseAboveLow;
  *riseAboveHigh = e.riseAboveHigh;
  *fallBelowHigh = e.fallBelowHigh;
  if (!LogDropsLines())
    LOGTRACE("FindGem", 1, "ret=%4d, Long=%10.4f+ %10.4f-, Short=%10.4f+ %10.4f-", e.status,
             static_cast<double>(e.fallBelowLow), static_cast<double>(e.riseAboveLow),
             static_cast<double>(e.riseAboveHigh), static_cast<double>(e.fallBelowHigh));
  return e.status;
}

// The usual call: every pointer given, a date from 1990 on and a date and time that need no
// check, the log off. Nothing on its way takes the lock, logs or throws, so it runs under the
// lock's leaf hold. Returns false, with nothing changed, for any other call.
bool CalcUsualBar(const char* symbol, int date, int time, float* fallBelowLow,
                  float* riseAboveLow, float* riseAboveHigh, float* fallBelowHigh,
                  int* status) VQM_REQUIRES_LIBRARY_LOCK {
  if (symbol == nullptr || fallBelowLow == nullptr || riseAboveLow == nullptr ||
      riseAboveHigh == nullptr || fallBelowHigh == nullptr || date < kFirstDate ||
      !IsPlainHostBarTime(date, time) || !LogDropsLines())
    return false;
  float* const outputs[4] = {fallBelowLow, riseAboveLow, riseAboveHigh, fallBelowHigh};
  *status = g_FindGemDB.MeasureAtBytes(g_calcBarTimes(date, time), outputs);
  return true;
}

}  // namespace
}  // namespace vqm

// A failure that no code above reports (memory exhausted) returns -1.
VQM_EXPORT int VQM_FindGemAdd(int /*notUsed*/, const char* symbol, int date, int time, int divisor,
                              int* open, int* high, int* low, int* close, int* volume, int mode) {
  return vqm::LeafHoldOrExportFrame(
      -1,
      [&](int* count) VQM_REQUIRES_LIBRARY_LOCK {
        return vqm::AddUsualBar(symbol, date, time, divisor, open, high, low, close, volume,
                                count);
      },
      [&]() VQM_REQUIRES_LIBRARY_LOCK {
        return vqm::FindGemAdd(symbol, date, time, divisor, open, high, low, close, volume, mode);
      });
}

VQM_EXPORT int VQM_FindGemCalc(int /*notUsed*/, const char* symbol, int date, int time,
                               int /*notUsed2*/, float* fallBelowLow, float* riseAboveLow,
                               float* riseAboveHigh, float* fallBelowHigh) {
  return vqm::LeafHoldOrExportFrame(
      -1,
      [&](int* status) VQM_REQUIRES_LIBRARY_LOCK {
        return vqm::CalcUsualBar(symbol, date, time, fallBelowLow, riseAboveLow, riseAboveHigh,
                                 fallBelowHigh, status);
      },
      [&]() VQM_REQUIRES_LIBRARY_LOCK {
        return vqm::FindGemCalc(symbol, date, time, fallBelowLow, riseAboveLow, riseAboveHigh,
                                fallBelowHigh);
      });
}
