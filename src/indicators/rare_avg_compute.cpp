// The computation behind each call of the regression average, for the series' newest point:
// warm-up on a short weighted average of the raw values, then the response adjustment, four
// least-squares fits ending at the second-newest point, their mean and the result smoother.
// Single precision throughout except inside the fitter.
#include <algorithm>
#include <cmath>

#include "indicators/poly_fit.h"
#include "indicators/rare_avg_series.h"
#include "indicators/rounded_log_exp.h"

namespace vqm {
namespace {

constexpr int kChangeAverageLength = 30;
constexpr int kAdjustAfterChanges = 5;  // the adjustment starts with the sixth change
constexpr int kDefaultResponseFactor = 60;

// Diagnostic response factors: one fit over the long window, or the value itself.
constexpr int kDiagnosticLine = -1818;
constexpr int kDiagnosticParabola = -1819;
constexpr int kDiagnosticValue = -1820;

// The response adjustment's logarithm and exponential: float in, double inside, float out,
// with the C library's bits; through the polynomials where the build says they are faster.
#ifndef VQM_POLYNOMIAL_LOG_EXP
#define VQM_POLYNOMIAL_LOG_EXP 0
#endif
float LogF(float x) {
  if (VQM_POLYNOMIAL_LOG_EXP) return LogRounded(x);
  return static_cast<float>(std::log(static_cast<double>(x)));
}
float ExpF(float x) {
  if (VQM_POLYNOMIAL_LOG_EXP) return ExpRounded(x);
  return static_cast<float>(std::exp(static_cast<double>(x)));
}

// AddWgtAvg, inline for a stack that has its ring (one whose length was refused logs as it
// pushes).
[[gnu::always_inline]] inline void PushWeighted(CCalcStack& stack, float x) {
  if (stack.items != nullptr) stack.AddWgtAvgReady(x);
  else stack.AddWgtAvg(x);
}

bool OutOfMemory(const CCalcStack& stack, int length) {
  return stack.items == nullptr && length > 0 && length <= kMaxStackLength;
}


}  // namespace

bool CRareAvgSym::Fit(int degree, int skip, int end, float* value) const {
  CPolyFit fit;
  fit.SetDegree(degree);
  // Abscissas stay small however long the series: beyond 1010 they wrap modulo 1000.
  const int x0 = end <= 1010 ? end : end % 1000;
  // The window is j = regrLength - skip .. 0 at index end - j; only indices of points held
  // take part, so the loop runs over those alone.
  const int held = PointCount();
  const int jFirst = std::min(regrLength - skip, end);
  const int jLast = std::max(0, end - (held - 1));
  for (int j = jFirst; j >= jLast; --j)
    fit.AddPoint(static_cast<float>(x0 - j), adjusted_.at[end - j]);
  fit.Solve();
  if (fit.Evaluate(static_cast<float>(x0), value)) return true;
  *value = kRareAvgError;
  return false;
}

[[gnu::always_inline]] inline int CRareAvgSym::WindowSums(int end) {
  const int x0 = end <= 1010 ? end : end % 1000;
  // The same windows as Fit's with skip 0 and skip lag: the short one is the newest part of
  // the long one, and each set of sums adds its points oldest first.
  const int held = PointCount();
  const int jLast = std::max(0, end - (held - 1));
  const int jLong = std::min(regrLength, end);
  const int jShort = std::min(regrLength - lag, end);
  const bool hasShort = jShort >= jLast;
  if (jLong < jLast || !hasShort) return SlowWindowSums(end, x0);
  // The abscissas are consecutive integers: while their sums are exact integers they need
  // not be added point by point, and only the sums over the values remain.
  if (!longAbscissas_.Get(x0 - jLong, x0 - jLast, longFit_.S) ||
      !shortAbscissas_.Get(x0 - jShort, x0 - jLast, shortFit_.S))
    return SlowWindowSums(end, x0);
  double l0 = 0.0, l1 = 0.0, l2 = 0.0, s0 = 0.0, s1 = 0.0, s2 = 0.0;
  double x = static_cast<float>(x0 - jLong);  // exact, and exact when stepped by 1
  const float* point = adjusted_.at + (end - jLong);
  const float* const shortFirst = point + (jLong - jShort);
  const float* const last = point + (jLong - jLast);
#pragma GCC unroll 2
  for (; point < shortFirst; ++point, x += 1.0) {
    const double y = *point;
    l0 += y;
    l1 += y * x;
    l2 += y * (x * x);
  }
#pragma GCC unroll 2
  for (; point <= last; ++point, x += 1.0) {
    const double y = *point;
    const double yx = y * x;
    const double yx2 = y * (x * x);
    l0 += y;
    l1 += yx;
    l2 += yx2;
    s0 += y;
    s1 += yx;
    s2 += yx2;
  }
  longFit_.T[0] = l0, longFit_.T[1] = l1, longFit_.T[2] = l2;
  shortFit_.T[0] = s0, shortFit_.T[1] = s1, shortFit_.T[2] = s2;
  return x0;
}

int CRareAvgSym::SlowWindowSums(int end, int x0) {
  const int held = PointCount();
  const int jLast = std::max(0, end - (held - 1));
  const int jLong = std::min(regrLength, end);
  const int jShort = std::min(regrLength - lag, end);
  CFitSums l, s;
  int j = jLong;
  for (; j >= jLast && j > jShort; --j) l.Add(static_cast<float>(x0 - j), adjusted_.at[end - j]);
  for (; j >= jLast; --j) {
    const double x = static_cast<float>(x0 - j);
    const double y = adjusted_.at[end - j];
    l.Add(x, y);
    s.Add(x, y);
  }
  // The abscissa sums kept in place are overwritten.
  longAbscissas_.Forget();
  shortAbscissas_.Forget();
  longFit_ = l;
  shortFit_ = s;
  return x0;
}

[[gnu::always_inline]] inline void CRareAvgSym::AdjustResponse(int F) {
  const float v = raw_.at[lastIndex];
  const float q = lastIndex >= 1 ? raw_.at[lastIndex - 1] : 0.0f;
  if (v == 0.0f) return;  // no change to measure: the adjusted value stays 0
  const float d = v - q;
  float pct = std::fabs(d) * 100.0f / std::fabs(v);
  if (pct > 100.0f) pct = 100.0f;
  changeAverage.AddMA(pct);
  if (changeAverage.filled <= static_cast<uint32_t>(kAdjustAfterChanges)) return;
  if (pct > 0.0f) {
    const float r = changeAverage.value > 0.0f ? pct / changeAverage.value : 1.0f;
    if (F > 0) {
      // exp(ln r * (1 + F/100)) / r = r^(F/100): a change larger than the recent average
      // change is enlarged, a smaller one damped.
      const float lnR = LogF(r);
      float exponent = static_cast<float>(F);
      exponent = exponent / 100.0f;
      exponent = exponent + 1.0f;
      const float power = ExpF(lnR * exponent);
      float adjusted = power / r;
      adjusted = adjusted * d;
      adjusted_.at[lastIndex] = adjusted + q;
    }
  } else if (pct == 0.0f) {
    // An unchanged value is its own adjusted value (its sign kept).
    adjusted_.at[lastIndex] = v;
  }
}

int CRareAvgSym::Compute(int L, int W, int F, float* result) {
  if (lastIndex < 0) return -1;
  const float v = raw_.at[lastIndex];
  if (L <= 1) {
    *result = v;
    return 0;
  }

  wgtLength = std::max(W, 1);
  const int g = lastIndex - 1;  // every fit ends at the second-newest point
  const int h = WarmUpPoints();
  const int n = PointCount();
  if (lag >= regrLength) lag = h;

  if (F < 0) {
    switch (F) {
      case kDiagnosticLine:
        return Fit(1, 0, g, result) ? 0 : -1;
      case kDiagnosticParabola:
        return Fit(2, 0, g, result) ? 0 : -1;
      case kDiagnosticValue:
        *result = v;
        return 0;
      default:
        F = kDefaultResponseFactor;
    }
  }

  // The short average restarts with the first point; the newest value weighs k, the k-th
  // newest 1.
  shortAverage.weighted = 1;
  // A stack of an acceptable length without its ring could not get its memory (it is tried
  // again on the next call): its value would read 0, which a chart plots as an average.
  if (lastIndex == 0 || OutOfMemory(shortAverage, h)) {
    shortAverage.Init(h);
    shortWeightsFor_ = 0;
  }
  if (OutOfMemory(shortAverage, h)) return -5;
  // The weights depend on k alone: set again only when k changed since.
  const int k = std::min(n, h);
  if (k != shortWeightsFor_) {
    for (int i = 0; i < k; ++i) shortAverage.SetWeight(static_cast<float>(k - i), i);
    shortWeightsFor_ = k;
  }
  if (ShortAverageRead(g, h)) PushWeighted(shortAverage, v);

  if (g < h) {
    if (barType > 1) return -2;  // only intraday series answer during the warm-up
    *result = shortAverage.value;
    return 0;
  }

  if (changeAverage.filled == 0) changeAverage.Init(kChangeAverageLength);
  if (OutOfMemory(changeAverage, kChangeAverageLength)) return -6;
  AdjustResponse(F);

  // Lines and parabolas over the long window and over the window without the lag, from one
  // pass over the points.
  const float x0 = static_cast<float>(WindowSums(g));
  float f[4];
  if (const int failed = FitsFromSums(longFit_, shortFit_, x0, f)) {
    *result = kRareAvgError;
    return -failed;
  }
  float r0 = (f[1] + f[0] + f[2] + f[3]) * 0.25f;

  if (resultSmoother.filled == 0) {
    resultSmoother.weighted = 1;
    // A length the stack refuses leaves nothing to weigh.
    if (wgtLength > 1 && resultSmoother.Init(wgtLength))
      for (int j = 0; j < wgtLength; ++j)
        resultSmoother.SetWeight(static_cast<float>(wgtLength - j), j);
  }
  if (wgtLength > 1) {
    if (OutOfMemory(resultSmoother, wgtLength)) return -7;
    PushWeighted(resultSmoother, r0);
    r0 = resultSmoother.value;
  }

  if (g == h) r0 = (shortAverage.value + r0) * 0.5f;  // the first call after warm-up
  *result = r0;
  return 0;
}

}  // namespace vqm
