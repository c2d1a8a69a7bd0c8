// Each indicator export against its floor: the arithmetic one call must do, written plainly
// in this file and as fast as the specified bits allow (the same additions in the same
// order; independent sums side by side). scripts/bench_ratios.py prints each export's time
// as a ratio to its floor measured in the same run.
//
//   build/native/bin/vqm_bench --benchmark_filter='Floor|OverFloor'
//
// The log is closed (bench/main.cpp), as a chart runs with the log off.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>


#include "frame/exports.h"
#include "testing/host_double.h"
#include "testing/random_walk.h"

namespace {

constexpr int kCalls = 200000;

using Walk = vqm::test::RandomWalk;

std::string FreshSymbol(const char* name) {
  static int run = 0;
  return std::string("Floor") + name + std::to_string(run++);
}

int DateOf(int i) { return 1240102 + i / 400; }
int TimeOf(int i) { return 900 + (i % 400) / 60 * 100 + (i % 400) % 60; }

// ---- the regression average -------------------------------------------------------------

// Least squares of degree D from the sums, as the normal equations are solved.
template <int D>
float Solve(const double* S, const double* T, double x) {
  double M[D + 1][D + 2];
  for (int i = 0; i <= D; ++i) {
    for (int j = 0; j <= D; ++j) M[i][j] = S[i + j];
    M[i][D + 1] = T[i];
  }
  for (int k = 0; k <= D; ++k) {
    int p = k;
    for (int r = k + 1; r <= D; ++r)
      if (std::fabs(M[r][k]) > std::fabs(M[p][k])) p = r;
    for (int j = k; p > k && j <= D + 1; ++j) std::swap(M[k][j], M[p][j]);
    for (int i = k + 1; i <= D; ++i) {
      const double f = M[i][k] / M[k][k];
      for (int j = k + 1; j <= D + 1; ++j) M[i][j] -= f * M[k][j];
    }
  }
  double c[D + 1] = {};
  for (int i = D; i >= 0; --i) {
    double s = M[i][D + 1];
    for (int j = i + 1; j <= D; ++j) s -= c[j] * M[i][j];
    if (M[i][i] != 0.0) c[i] = s / M[i][i];
  }
  double v = 0.0, p = 1.0;
  for (int k = 0; k <= D; ++k, p *= x) v += c[k] * p;
  return static_cast<float>(v);
}

// One call's arithmetic for regression length L: the response adjustment (a 30-value
// average and one power), the two windows' sums over the values (the abscissa sums are
// integers, kept), four solves, and the two weighted averages (half length, smoother).
class RareAvgFloor {
 public:
  explicit RareAvgFloor(int L)
      : L_(L), h_(std::max(1, (L - 1) / 2)), W_(std::max(2, L > 12 ? L / 3 : L / 2)) {
    values_.reserve(kCalls + 1000);
    for (int i = 0; i < 30; ++i) changes_[i] = 0.0f;
  }
  float Call(float v) {
    const float q = values_.empty() ? v : raw_;
    raw_ = v;
    const float pct = std::fabs(v - q) * 100.0f / std::fabs(v);
    changes_[slot_++ % 30] = pct;
    float sum = 0.0f;
    for (float c : changes_) sum += c;
    const float r = pct / (sum / 30.0f);
    values_.push_back(r > 0.0f ? std::exp(std::log(r) * 1.6f) / r * (v - q) + q : v);
    const int n = static_cast<int>(values_.size());
    if (n < L_ + 2) return v;
    const float* y = &values_[static_cast<size_t>(n - 2 - L_)];
    const int lag = 3 < L_ ? 3 : h_;
    double l[3] = {}, s[3] = {};
    double x = 0.0;
    for (int j = 0; j <= L_; ++j, x += 1.0) {
      const double yy = y[j], yx = yy * x, yx2 = yy * (x * x);
      l[0] += yy, l[1] += yx, l[2] += yx2;
      if (j >= lag) s[0] += yy, s[1] += yx, s[2] += yx2;
    }
    const double Sl[5] = {double(L_ + 1), 1, 2, 3, 4}, Ss[5] = {double(L_ + 1 - lag), 1, 2, 3, 4};
    const float r0 = (Solve<1>(Sl, l, x) + Solve<1>(Ss, s, x) + Solve<2>(Sl, l, x) +
                      Solve<2>(Ss, s, x)) * 0.25f;
    return Weighted(&values_[static_cast<size_t>(n - h_)], h_) + Weighted(y, W_) + r0;
  }

 private:
  static float Weighted(const float* x, int n) {
    float ws = 0.0f, vs = 0.0f;
    for (int k = 0; k < n; ++k) {
      const float w = static_cast<float>(n - k);
      ws += w;
      vs += w * x[n - 1 - k];
    }
    return vs / ws;
  }

  int L_, h_, W_;
  std::vector<float> values_;
  float changes_[30];
  unsigned slot_ = 0;
  float raw_ = 0.0f;
};

void BM_RareAvgFloor(benchmark::State& state) {
  RareAvgFloor floor(static_cast<int>(state.range(0)));
  Walk walk;
  for (auto _ : state) benchmark::DoNotOptimize(floor.Call(walk.Next()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RareAvgFloor)->Arg(10)->Arg(50)->Arg(200)->Iterations(kCalls);

void BM_RareAvgOverFloor(benchmark::State& state) {
  const int regr = static_cast<int>(state.range(0));
  const std::string symbol = FreshSymbol("RareAvg");
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        VQM_RareAvg(symbol.c_str(), regr, 0, walk.Next(), DateOf(i), TimeOf(i), 60, 0, 2, 0, i));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RareAvgOverFloor)->Arg(10)->Arg(50)->Arg(200)->Iterations(kCalls);

// ---- the trend reversal -------------------------------------------------------------------

// Twelve rings of lengths 10 .. 120 over one shared history of the newest 120 values (each
// stored twice, 120 apart, so that any run of them lies in one piece). Ring L's slot s holds
// the value of the push whose number is s mod L; its sum in slot order is the sum of slots
// 0 .. newest, kept and extended by the value just written, then the older slots re-added
// from the history in order, two rings at a time; the lowest and highest of the means, the
// position and the width.
class TrendFloor {
 public:
  float Call(float x) {
    history_[head_] = history_[head_ + 120] = x;
    head_ = head_ + 1 == 120 ? 0 : head_ + 1;
    if (held_ < 120) ++held_;
    float sums[12];
    const float* older[12];
    int olderCount[12];
    for (int a = 0; a < 12; ++a) {
      const int length = 10 * (a + 1);
      if (++newest_[a] == length) newest_[a] = 0;
      newerSum_[a] = (newest_[a] == 0 ? 0.0f : newerSum_[a]) + x;
      sums[a] = newerSum_[a];
      older[a] = history_ + (head_ >= length ? head_ - length : head_ + 120 - length);
      olderCount[a] = (held_ < length ? held_ : length) - newest_[a] - 1;
    }
    for (int a = 0; a < 12; a += 2) {
      float s0 = sums[a], s1 = sums[a + 1];
      const float *p0 = older[a], *p1 = older[a + 1];
      const int n0 = olderCount[a], n1 = olderCount[a + 1];
      int t = 0;
      for (; t < n0 && t < n1; ++t) {
        s0 += p0[t];
        s1 += p1[t];
      }
      for (int u = t; u < n0; ++u) s0 += p0[u];
      for (int u = t; u < n1; ++u) s1 += p1[u];
      sums[a] = s0;
      sums[a + 1] = s1;
    }
    float lo = 0, hi = 0;
    for (int a = 0; a < 12; ++a) {
      const int length = 10 * (a + 1);
      const float mean = sums[a] / static_cast<float>(held_ < length ? held_ : length);
      lo = a == 0 || mean < lo ? mean : lo;
      hi = a == 0 || mean > hi ? mean : hi;
    }
    return hi > lo ? (x - lo) * 200.0f / (hi - lo) / 25.0f + 10000.0f * (hi - lo) / lo : 0.0f;
  }

 private:
  float history_[240] = {};
  int head_ = 0;
  int held_ = 0;
  int newest_[12] = {9, 19, 29, 39, 49, 59, 69, 79, 89, 99, 109, 119};
  float newerSum_[12] = {};
};

void BM_TrendReversalFloor(benchmark::State& state) {
  TrendFloor floor;
  Walk walk;
  for (auto _ : state) benchmark::DoNotOptimize(floor.Call(walk.Next()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrendReversalFloor)->Iterations(kCalls);

void BM_TrendReversalOverFloor(benchmark::State& state) {
  const std::string symbol = FreshSymbol("Trend");
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    float position, width;
    benchmark::DoNotOptimize(VQM_TrendReversal(0, symbol.c_str(), DateOf(i), TimeOf(i), 1, 5,
                                               walk.Next(), 1.0f, 10, 120, &position, &width));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrendReversalOverFloor)->Iterations(kCalls);

// ---- the pattern search -------------------------------------------------------------------

struct GemBar {
  int day;
  float v[5];
};

// Adding a bar: its five values divided and stored with its day.
void BM_FindGemAddFloor(benchmark::State& state) {
  std::vector<GemBar> bars;
  bars.reserve(kCalls);
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    const int p = static_cast<int>(walk.Next() * 100.0f);
    const int v[5] = {p, p + 5, p - 5, p, 100 + i % 7};
    benchmark::DoNotOptimize(v);
    bars.push_back({DateOf(i), {float(v[0]) / 100.0f, float(v[1]) / 100.0f, float(v[2]) / 100.0f,
                                float(v[3]) / 100.0f, float(v[4])}});
    ++i;
  }
  benchmark::DoNotOptimize(bars.data());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemAddFloor)->Iterations(kCalls);

void BM_FindGemAddOverFloor(benchmark::State& state) {
  const std::string symbol = FreshSymbol("GemAdd");
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    const int p = static_cast<int>(walk.Next() * 100.0f);
    int open = p, high = p + 5, low = p - 5, close = p, volume = 100 + i % 7;
    benchmark::DoNotOptimize(VQM_FindGemAdd(0, symbol.c_str(), DateOf(i), TimeOf(i), 100, &open,
                                            &high, &low, &close, &volume, 100));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemAddOverFloor)->Iterations(kCalls);

// The measurement: a scan of the 100 bars after the reference bar, whose high, low and day
// lie packed side by side (the bar itself found by its index: the export finds it from the
// one it found last).
void BM_FindGemCalcFloor(benchmark::State& state) {
  struct ScanBar {
    float high, low;
    int day;
  };
  std::vector<ScanBar> bars;
  Walk walk;
  for (int i = 0; i < kCalls + 200; ++i) {
    const float p = walk.Next();
    bars.push_back({p + 0.05f, p - 0.05f, DateOf(i)});
  }
  int i = 200;
  for (auto _ : state) {
    const ScanBar& ref = bars[static_cast<size_t>(i - 100)];
    float e[4] = {};
    for (int j = i - 99; j <= i; ++j) {
      const ScanBar& q = bars[static_cast<size_t>(j)];
      if (q.day != ref.day) break;
      const float up1 = q.high - ref.low, dn1 = -(q.low - ref.low);
      const float dn2 = ref.high - q.low, up2 = -(ref.high - q.high);
      e[0] = up1 > e[0] ? up1 : e[0];
      e[1] = dn1 > e[1] ? dn1 : e[1];
      e[2] = dn2 > e[2] ? dn2 : e[2];
      e[3] = up2 > e[3] ? up2 : e[3];
    }
    benchmark::DoNotOptimize(e);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemCalcFloor)->Iterations(kCalls);

void BM_FindGemCalcOverFloor(benchmark::State& state) {
  const std::string symbol = FreshSymbol("GemCalc");
  Walk walk;
  for (int i = 0; i < kCalls + 200; ++i) {
    const int p = static_cast<int>(walk.Next() * 100.0f);
    int open = p, high = p + 5, low = p - 5, close = p, volume = 100;
    VQM_FindGemAdd(0, symbol.c_str(), DateOf(i), TimeOf(i), 100, &open, &high, &low, &close,
                   &volume, 100);
  }
  int i = 200;
  for (auto _ : state) {
    float e[4];
    benchmark::DoNotOptimize(
        VQM_FindGemCalc(0, symbol.c_str(), DateOf(i), TimeOf(i), 0, &e[0], &e[1], &e[2], &e[3]));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemCalcOverFloor)->Iterations(kCalls);

// ---- buy/sell pressure and price normalisation ----------------------------------------------

// A 10-value simple average and a 20-value exponential one, pushed once each.
void BM_BSPCalcFloor(benchmark::State& state) {
  float ring[10] = {};
  float ema = 0.0f;
  int i = 0;
  for (auto _ : state) {
    const float up = 100.0f + static_cast<float>(i % 13), down = 90.0f + static_cast<float>(i % 7);
    ring[i % 10] = up - down;
    float sum = 0.0f;
    for (float v : ring) sum += v;
    ema = ema + (2.0f / 21.0f) * (up + down - ema);
    benchmark::DoNotOptimize(sum / 10.0f * ema);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPCalcFloor)->Iterations(kCalls);

void BM_BSPCalcOverFloor(benchmark::State& state) {
  vqm::test::HostDouble host;
  host.maxBarsBack = 1;
  host.SetParameters(10, 20, 1);
  host.SetAbsoluteBar(1);
  const std::string key = FreshSymbol("Bsp");
  std::vector<char> keyText(key.begin(), key.end());
  keyText.resize(2048, 0);
  VQM_BSP("sub", 1, 0, keyText.data(), &host, 0);
  CBSPSet* instance = reinterpret_cast<CBSPSet*>(VQM_BSPHandle("sub", 1, 0, key.c_str()));
  int i = 0;
  for (auto _ : state) {
    float pressure;
    VQM_BSPCalc(instance, 100.0f + static_cast<float>(i % 13), 90.0f + static_cast<float>(i % 7),
                1, &pressure);
    benchmark::DoNotOptimize(pressure);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPCalcOverFloor)->Iterations(kCalls);

// Five values rounded the export's way.
void BM_PrcNormFloor(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int v[5] = {i, i + 1, -i, 100000 + i, 7};
    const float factor = i % 2 ? 0.5f : 2.5f;
    for (int& x : v) {
      const float f = static_cast<float>(x) * factor;
      x = static_cast<int>(f > 0.0f ? f + 0.51f : f - 0.51f);
    }
    benchmark::DoNotOptimize(v);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrcNormFloor)->Iterations(kCalls);

void BM_PrcNormOverFloor(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int v[5] = {i, i + 1, -i, 100000 + i, 7};
    benchmark::DoNotOptimize(VQM_F_PrcNorm(i % 2 ? 0.5f : 2.5f, &v[0], &v[1], &v[2], &v[3], &v[4]));
    benchmark::DoNotOptimize(v);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrcNormOverFloor)->Iterations(kCalls);

}  // namespace
