// One series of the weighted regression average: a symbol with its parameter set, every value
// received for it (as points, oldest first) and its three averaging stacks.
//
// The series owns its points, kept as two columns that grow with the points held (doubling):
// the adjusted values side by side, which the fits read over a window, and the raw values,
// of which a call reads the newest two. A point keeps what later calls read and nothing
// else: its result, date and time were read by no call (the date that restarts a series is
// the series' lastDate), and each byte per point is memory a long history must fault in.
// An idle series costs a few hundred bytes.
// REQUIRES: one call at a time on a series (the export holds the library-wide lock; a
// series handle is used by one thread at a time).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "averages/calc_stack.h"
#include "base/prefetch.h"
#include "indicators/poly_fit.h"

namespace vqm {

// The failure result of the regression average.
constexpr float kRareAvgError = 1000000000.0f;

struct CRareAvgPoint {
  float raw;       // the value passed by the caller
  float adjusted;  // response-adjusted value; raw until the adjustment replaces it
};

class CRareAvgSym {
 public:
  CRareAvgSym();
  ~CRareAvgSym();
  CRareAvgSym(const CRareAvgSym&) = delete;
  CRareAvgSym& operator=(const CRareAvgSym&) = delete;

  // Deletes every point and frees the three stacks; lastDate 0, lastIndex -1. The bar
  // number, lag and keys stay.
  void Reset();
  // Appends a point; a first point, or a date that went back, restarts the series first.
  // Throws CMemoryException* (and leaves the series consistent) when memory runs out.
  // Inline: the usual bar appends to room the columns already have.
  void AddPoint(int date, float value) {
    const int held = lastIndex + 1;
    if (date < lastDate || lastDate <= 0 || held == capacity_)
      return AddPointWithRestartOrRoom(date, value);
    adjusted_.at[held] = value;
    raw_.at[held] = value;
    lastIndex = held;
    lastDate = date;
  }
  // Deletes the newest point, if any.
  void RemoveNewest();

  // The computation for the newest point with regression length L, smoother length W and
  // response factor F: 0 and *result on success, negative on failure (*result is then
  // kRareAvgError or untouched).
  int Compute(int L, int W, int F, float* result);

  // Starts loading the memory the next call reads and writes (the three stacks' rings and
  // weights, the fits' window and the point to come), all at once: a series called once
  // among many calls finds most of it out of cache, and loads issued together overlap
  // instead of waiting for each other as the computation reaches them.
  void PrefetchForCall() const;
  // The same for the series object itself, before its keys are compared.
  static void PrefetchObject(const CRareAvgSym* s) { PrefetchBlock<sizeof(CRareAvgSym)>(s); }

  int PointCount() const { return lastIndex + 1; }
  // nRespFac of 100 or more carries two numbers: the points a call adds (and a replace takes
  // back), its hundreds, and the response factor, its last two digits.
  int PointsPerCall() const { return respFacKey >= 100 ? respFacKey / 100 : 1; }
  int ResponseFactor() const { return respFacKey >= 100 ? respFacKey % 100 : respFacKey; }
  // The point at index (0 oldest .. PointCount() - 1), assembled from the columns.
  CRareAvgPoint PointAt(int index) const {
    return CRareAvgPoint{raw_.at[index], adjusted_.at[index]};
  }

  std::string symbol;       // key, compared ignoring case
  int32_t lastDate = 0;     // date of the newest point
  int32_t lastIndex = -1;   // index of the newest point: always the number of points - 1
  int32_t regrLength = 10;  // key: nScopeRegr
  int32_t wgtLength = 6;    // key: the effective nScopeWgt
  int32_t respFacKey = 0;   // key: nRespFac undivided
  int32_t dayKey = 0;       // key: day-continuity switch
  int32_t lastBar = -1;     // bar number of the previous call
  int32_t lag = 3;          // oldest points the short fits leave out
  int32_t barType = 2;      // key

  // The series the manager found next after this one, last time: a host calculating a
  // portfolio calls its series in the same order on every bar. Null until one is seen.
  CRareAvgSym* calledNext = nullptr;

  CCalcStack resultSmoother;  // weighted average of results, length wgtLength
  CCalcStack shortAverage;    // weighted average of raw values for the warm-up
  CCalcStack changeAverage;   // simple average of percentage changes, length 30

 private:
  // The least-squares fit of the given degree over the points up to index end, leaving
  // out the `skip` oldest of the window, evaluated at the abscissa of index end.
  bool Fit(int degree, int skip, int end, float* value) const;
  // The sums of the long window (skip 0) and the short window (skip lag) ending at index
  // end, in one pass, into longFit_ and shortFit_; returns the abscissa of index end.
  int WindowSums(int end);
  // The same point by point, for windows whose abscissa sums would not be exact or that
  // hold no point.
  int SlowWindowSums(int end, int x0);
  // A column of trivially copyable values grown by realloc, which moves large blocks
  // without copying them; entries beyond the points held are unused.
  template <typename T>
  struct Column {
    T* at = nullptr;
    ~Column() { std::free(at); }
    // False when the memory could not be had (the column is then unchanged).
    bool Grow(int capacity) {
      void* moved = std::realloc(at, sizeof(T) * static_cast<size_t>(capacity));
      if (moved == nullptr) return false;
      at = static_cast<T*>(moved);
      return true;
    }
  };
  Column<float> adjusted_;  // index 0 oldest
  Column<float> raw_;
  int capacity_ = 0;  // entries each column has room for
  // The k whose weights the short average holds (0: none set since its Init).
  int shortWeightsFor_ = 0;
  // The last long and short windows' sums; their abscissa sums move on by one per bar.
  CFitSums longFit_;
  CFitSums shortFit_;
  CAbscissaSums longAbscissas_;
  CAbscissaSums shortAbscissas_;

  // The points of the warm-up, before the fits answer.
  int WarmUpPoints() const { return regrLength > 4 ? (regrLength - 1) / 2 : 1; }
  // Whether a push into the short average can still be read when the fits end at index g,
  // h being WarmUpPoints() (the call has it already). Its value is read up to the first call
  // after the warm-up (g == h). Past it, a series that adds one point a call never comes back
  // to an earlier g without starting again (a replace takes back the one point the call
  // adds); one that adds several can, so it keeps pushing.
  bool ShortAverageRead(int g, int h) const { return g <= h || PointsPerCall() > 1; }

  // AddPoint for a first point, a date that went back or full columns.
  void AddPointWithRestartOrRoom(int date, float value);
  // Replaces the newest point's adjusted value by its response-adjusted form.
  void AdjustResponse(int F);
};

}  // namespace vqm
