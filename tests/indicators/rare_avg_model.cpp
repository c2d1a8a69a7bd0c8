#include "indicators/rare_avg_model.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vqm::test {

std::string UniqueSymbolPrefix(const char* name) {
  static const long long run =
      std::chrono::system_clock::now().time_since_epoch().count() % 1000000007;
  static std::atomic<int> counter{0};
  return std::string(name) + "~" + std::to_string(run) + "." + std::to_string(counter++) + "_";
}

// ---- fitter ----

bool ModelPolyFit(const std::vector<float>& xs, const std::vector<float>& ys, int degree, float at,
                  float* value) {
  const int d = degree;
  const int n = static_cast<int>(xs.size());
  if (n < 1 || n < d) return false;
  std::vector<double> S(2 * d + 1, 0.0), T(d + 1, 0.0);
  for (int p = 0; p < n; ++p) {
    const double x = xs[p], y = ys[p];
    S[0] += 1.0;
    T[0] += y;
    double xk = 1.0;
    for (int k = 1; k <= 2 * d; ++k) {
      xk = xk * x;
      S[k] += xk;
      if (k <= d) T[k] += y * xk;
    }
  }
  std::vector<std::vector<double>> A(d + 1, std::vector<double>(d + 2));
  for (int i = 0; i <= d; ++i) {
    for (int j = 0; j <= d; ++j) A[i][j] = S[i + j];
    A[i][d + 1] = T[i];
  }
  for (int col = 0; col <= d; ++col) {
    int best = col;
    for (int row = col + 1; row <= d; ++row)
      if (std::fabs(A[row][col]) > std::fabs(A[best][col])) best = row;
    if (best != col)
      for (int j = col; j <= d + 1; ++j) std::swap(A[col][j], A[best][j]);
    for (int row = col + 1; row <= d; ++row) {
      const double factor = A[row][col] / A[col][col];
      A[row][col] = 0.0;
      for (int j = col + 1; j <= d + 1; ++j) A[row][j] = A[row][j] - factor * A[col][j];
    }
  }
  std::vector<double> c(d + 1, 0.0);
  for (int i = d; i >= 0; --i) {
    double rest = A[i][d + 1];
    for (int j = i + 1; j <= d; ++j) rest = rest - c[j] * A[i][j];
    if (A[i][i] != 0.0) c[i] = rest / A[i][i];
  }
  double sum = 0.0, xk = 1.0;
  for (int k = 0; k <= d; ++k) {
    sum = sum + c[k] * xk;
    xk = xk * static_cast<double>(at);
  }
  *value = static_cast<float>(sum);
  return true;
}

// ---- series ----

namespace {

constexpr float kError = 1000000000.0f;

bool SameSymbol(const std::string& a, const char* b) {
  if (a.size() != strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

void Restart(ModelSeries& s, ModelCoverage& coverage) {
  if (!s.points.empty()) ++coverage.restarts;
  s.points.clear();
  s.changes.Init(0);
  s.smoother.Init(0);
  s.shortAvg.Init(0);
  s.lastDate = 0;
}

}  // namespace

const ModelSeries* RareAvgModel::Find(const char* symbol, int regr, int wgt, int respFac,
                                      int barType, int day) const {
  for (const auto& s : series_)
    if (SameSymbol(s->symbol, symbol) && s->regr == regr && s->wgt == wgt &&
        s->respFac == respFac && s->barType == barType && s->day == day)
      return s.get();
  return nullptr;
}

float RareAvgModel::Call(const RareAvgModelCall& c) {
  diagnosticLine_.clear();
  bool replace = false;
  int date = c.date;
  if (date < 0) {
    date = static_cast<int>(-static_cast<long long>(date));  // INT_MIN stays INT_MIN
    replace = true;
  }
  int wgt = c.wgt;
  if (wgt <= 0) {
    wgt = c.regr > 12 ? c.regr / 3 : c.regr / 2;
    if (wgt < 2) wgt = 2;
  }
  if (c.symbol == nullptr) return c.value;
  ModelSeries* s =
      const_cast<ModelSeries*>(Find(c.symbol, c.regr, wgt, c.respFac, c.barType, c.day));
  if (s == nullptr) {
    series_.push_back(std::make_unique<ModelSeries>());
    s = series_.back().get();
    s->symbol = c.symbol;
    s->regr = c.regr;
    s->wgt = wgt;
    s->respFac = c.respFac;
    s->barType = c.barType;
    s->day = c.day;
  }
  if (s->lastBar == c.bar) replace = true;
  if (c.barType <= 1 && c.day == 0 && date != s->lastDate && s->points.size() > 1)
    Restart(*s, coverage_);

  int repeat = 1, factor = c.respFac;
  if (c.respFac >= 100) {
    repeat = c.respFac / 100;
    factor = c.respFac % 100;
  }
  if (replace)
    for (int i = 0; i < repeat; ++i)
      if (!s->points.empty()) {
        s->points.pop_back();
        ++coverage_.replaced;
      }
  s->lastBar = c.bar;

  float result = kError;
  for (int i = 0; i < repeat; ++i) {
    if (date < s->lastDate || s->lastDate <= 0) Restart(*s, coverage_);
    if (i > 0) ++coverage_.repeated;
    s->lastDate = date;
    s->points.push_back(ModelPoint{c.value, c.value, c.value, date, c.time});
    if (!Compute(*s, c.regr, wgt, factor, &result)) return kError;
  }
  if (factor == 61) {
    char line[400];
    snprintf(line, sizeof line,
             "ret = RareAvg(nScopeRegr,nScopeWgt,%11.5ff,%d,%4d,nRespFac,%d,%d,%d); "
             "// RespFac=%d, Res=%11.5f, Bar=%5d",
             c.value, date, c.time, c.diagnostic, c.barType, c.day, 61, result,
             static_cast<int>(s->points.size()));
    diagnosticLine_ = line;
  }
  return result;
}

bool RareAvgModel::Fit(const ModelSeries& s, int degree, int skip, int end, float* value) const {
  const int x0 = end <= unwrappedUpTo ? end : end % 1000;
  if (end > unwrappedUpTo) ++const_cast<ModelCoverage&>(coverage_).wrappedAbscissas;
  std::vector<float> xs, ys;
  for (int j = s.regr - skip; j >= 0; --j) {
    const int index = end - j;
    if (index < 0 || index >= static_cast<int>(s.points.size())) continue;
    xs.push_back(static_cast<float>(x0 - j));
    ys.push_back(s.points[index].adjusted);
  }
  if (ModelPolyFit(xs, ys, degree, static_cast<float>(x0), value)) return true;
  *value = kError;
  return false;
}

bool RareAvgModel::Compute(ModelSeries& s, int L, int W, int F, float* result) {
  const int newest = static_cast<int>(s.points.size()) - 1;
  ModelPoint& p = s.points[newest];
  const float v = p.raw;
  if (L <= 1) {
    ++coverage_.trivial;
    *result = v;
    return true;
  }
  s.wgtLength = W > 1 ? W : 1;
  const int g = newest - 1;
  int h = (s.regr - 1) / 2;
  if (h < 1) h = 1;
  const int n = newest + 1;
  if (s.lag >= s.regr) s.lag = h;

  if (F <= -1818 && F >= -1820) ++coverage_.diagnostics;
  if (F == -1818) return Fit(s, 1, 0, g, result);
  if (F == -1819) return Fit(s, 2, 0, g, result);
  if (F == -1820) {
    *result = v;
    return true;
  }
  if (F < 0) F = 60;
  if (newest == 0) s.shortAvg.Init(h);
  const int k = n < h ? n : h;
  for (int i = 0; i < k; ++i) s.shortAvg.SetWeight(static_cast<float>(k - i), i);
  s.shortAvg.AddWeighted(v);
  const int kind = s.barType > 1 ? 1 : 0;
  if (g < h) {
    ++coverage_.warmUp[kind];
    if (s.barType > 1) return false;
    *result = s.shortAvg.value();
    return true;
  }

  if (s.changes.count() == 0) s.changes.Init(30);
  const float q = newest >= 1 ? s.points[newest - 1].raw : 0.0f;
  if (v == 0.0f) ++coverage_.zeroValues;
  if (v != 0.0f) {
    const float d = v - q;
    float pct = std::fabs(d) * 100.0f;
    pct = pct / std::fabs(v);
    if (pct > 100.0f) pct = 100.0f;
    s.changes.AddSimple(pct);
    if (s.changes.count() > 5) {
      if (pct > 0.0f) {
        float r = 1.0f;
        if (s.changes.value() > 0.0f) r = pct / s.changes.value();
        if (F > 0) {
          const float ln = static_cast<float>(std::log(static_cast<double>(r)));
          const float f = static_cast<float>(F) / 100.0f + 1.0f;
          const float e = static_cast<float>(std::exp(static_cast<double>(ln * f)));
          p.adjusted = e / r * d + q;
          ++coverage_.adjusted;
        }
      } else if (pct == 0.0f) {
        ++coverage_.unchanged;
        p.adjusted = v;
      }
    }
  }

  float f1, f2, f3, f4;
  if (!Fit(s, 1, 0, g, &f1) || !Fit(s, 1, s.lag, g, &f2) || !Fit(s, 2, 0, g, &f3) ||
      !Fit(s, 2, s.lag, g, &f4)) {
    *result = kError;
    return false;
  }
  float r0 = f2 + f1;
  r0 = r0 + f3;
  r0 = r0 + f4;
  r0 = r0 * 0.25f;
  p.result = r0;

  if (s.smoother.count() == 0) {
    if (s.wgtLength > 1) {
      s.smoother.Init(s.wgtLength);
      for (int j = 0; j < s.wgtLength; ++j)
        s.smoother.SetWeight(static_cast<float>(s.wgtLength - j), j);
    }
  }
  if (s.wgtLength > 1) {
    s.smoother.AddWeighted(r0);
    r0 = s.smoother.value();
    p.result = r0;
  }
  ++(g == h ? coverage_.transition : coverage_.running)[kind];
  if (g > h && s.regr > coverage_.longestRunning) coverage_.longestRunning = s.regr;
  if (g == h) {
    r0 = (s.shortAvg.value() + r0) * 0.5f;
    p.result = r0;
  }
  *result = r0;
  return true;
}

}  // namespace vqm::test
