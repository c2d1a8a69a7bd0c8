// Each indicator export against its floor: the arithmetic one call must do, written plainly
// in this file and as fast as the specified bits allow (the same additions in the same
// order; independent sums side by side). scripts/bench_ratios.py prints each export's time
// as a ratio to its floor measured in the same run.
//
//   build/native/bin/vqm_bench --benchmark_filter='Floor|OverFloor'
//
// The log is closed (bench/main.cpp), as a chart runs with the log off.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <emmintrin.h>

#include "datetime/host_forms.h"
#include "frame/exports.h"
#include "indicators/bsp/bsp_set.h"
#include "indicators/poly_fit.h"
#include "testing/host_double.h"
#include "testing/random_walk.h"

#include "called_floors.h"
#include "thin_floors.h"

namespace {

using namespace vqm::bench;

constexpr int kCalls = 200000;

using Walk = vqm::test::RandomWalk;

std::string FreshSymbol(const char* name) {
  static int run = 0;
  return std::string("Floor") + name + std::to_string(run++);
}

int DateOf(int i) { return 1240102 + i / 400; }
int TimeOf(int i) { return 900 + (i % 400) / 60 * 100 + (i % 400) % 60; }

// An argument as unknown to a floor as it is to the export: the compiler cannot settle a test
// on it while building the loop (a pressure's sign, a factor's range). Nothing else is hidden.
float Unknown(float x) {
  asm volatile("" : "+x"(x));
  return x;
}

// ---- the regression average -------------------------------------------------------------

// Sum of x^k (k = 0 .. 4) over the integers a .. b, exact in 64 bits for the abscissas a
// regression window holds: the closed forms of the sums from 0, differenced.
void IntegerPowerSums(int64_t a, int64_t b, double S[5]) {
  // Sum of x^k (k >= 1) for x = 1 .. n, and its continuation below 0 (minus the sum over
  // n+1 .. -1).
  const auto upTo = [](int64_t n, int k) -> int64_t {
    const bool negative = n < 0;
    const int64_t m = negative ? -n - 1 : n;
    const int64_t t = m * (m + 1) / 2;
    int64_t s = 0;
    switch (k) {
      case 1: s = t; break;
      case 2: s = t * (2 * m + 1) / 3; break;
      case 3: s = t * t; break;
      default: s = t * (2 * m + 1) * (3 * m * m + 3 * m - 1) / 15;
    }
    return negative ? ((k & 1) ? s : -s) : s;
  };
  S[0] = static_cast<double>(b - a + 1);
  for (int k = 1; k < 5; ++k) S[k] = static_cast<double>(upTo(b, k) - upTo(a - 1, k));
}

// One call's arithmetic for regression length L, as the export's bits require it: the point
// kept (its raw and adjusted value, which later calls read); the short average of the raw
// values, up to the first call after the warm-up; the change average (30 values, in slot
// order) and the response adjustment (the same log and exp, in double, rounded to float); the
// two windows' sums over the adjusted values (the abscissa sums are integers, slid by one
// exactly); four solves; the smoother of the results, whose sum starts at this call's result;
// the warm-up and the first call after it. Its results equal the export's, call for call.
class RareAvgFloor {
 public:
  explicit RareAvgFloor(int L)
      : L_(L), h_(std::max(1, (L - 1) / 2)), W_(std::max(2, L > 12 ? L / 3 : L / 2)),
        lag_(3 < L ? 3 : h_), exponent_(60.0f / 100.0f + 1.0f) {
    raw_.reserve(kCalls + 1000);
    adjusted_.reserve(kCalls + 1000);
    results_.assign(2 * static_cast<size_t>(W_), 0.0f);
  }
  float Call(float v) {
    const float q = raw_.empty() ? 0.0f : raw_.back();
    raw_.push_back(v);
    adjusted_.push_back(v);
    const int n = static_cast<int>(raw_.size()), g = n - 2;
    // The short average's weights count down from the number of values it holds. Its value
    // is read up to the first call after the warm-up, and only computed until then.
    const float shortAverage =
        g <= h_ ? Weighted(&raw_.back(), std::min(n, h_), std::min(n, h_)) : 0.0f;
    if (g < h_) return 1000000000.0f;  // the warm-up of a series that is not intraday

    if (v != 0.0f) {
      const float d = v - q;
      const float pct = std::min(std::fabs(d) * 100.0f / std::fabs(v), 100.0f);
      if (changesFilled_ < 30) ++changesFilled_;
      changes_[changeSlot_++ % 30] = pct;
      float sum = 0.0f;
      for (int i = 0; i < changesFilled_; ++i) sum += changes_[i];
      const float average = sum / static_cast<float>(changesFilled_);
      if (changesFilled_ > 5 && pct > 0.0f) {
        const float r = average > 0.0f ? pct / average : 1.0f;
        const float power =
            static_cast<float>(std::exp(static_cast<double>(
                static_cast<float>(std::log(static_cast<double>(r))) * exponent_)));
        adjusted_.back() = power / r * d + q;
      } else if (changesFilled_ > 5 && pct == 0.0f) {
        adjusted_.back() = v;
      }
    }

    const int x0 = g <= 1010 ? g : g % 1000;
    const int first = std::max(0, g - L_), shortFirst = std::max(0, g - (L_ - lag_));
    double l[3], s[3];
    WindowSums(adjusted_.data(), first, shortFirst, g, x0 - (g - first), l, s);
    // The four solves are the library's own (the export's straight-line solves). The
    // abscissa sums slide by one from call to call, exactly, as the export's do; from the
    // closed forms where they cannot.
    vqm::CFitSums longSums, shortSums;
    AbscissaSums(longX_, x0 - (g - first), x0, longS_);
    AbscissaSums(shortX_, x0 - (g - shortFirst), x0, shortS_);
    std::copy(longS_, longS_ + 5, longSums.S);
    std::copy(shortS_, shortS_ + 5, shortSums.S);
    std::copy(l, l + 3, longSums.T);
    std::copy(s, s + 3, shortSums.T);
    float f[4] = {};
    vqm::FitsFromSums(longSums, shortSums, static_cast<float>(x0), f);
    float r0 = (f[1] + f[0] + f[2] + f[3]) * 0.25f;
    // The W newest results in a ring, each stored twice W apart: the newest W lie in one piece.
    const int slot = resultsHeld_++ % W_;
    results_[static_cast<size_t>(slot)] = results_[static_cast<size_t>(slot + W_)] = r0;
    const float* newest = &results_[static_cast<size_t>(slot + W_)];
    r0 = Weighted(newest, std::min(resultsHeld_, W_), W_);  // the smoother's count down from W
    return g == h_ ? (shortAverage + r0) * 0.5f : r0;
  }

 private:
  // The n newest values (the newest at *newest) weighted top, top - 1, ..., newest first.
  // The weight sum is an integer below 2^24, exact in closed form.
  [[gnu::noinline]] static float Weighted(const float* newest, int n, int top) {
    const float ws = static_cast<float>(n * (2 * top - n + 1) / 2);
    // The weights are integers below 2^24: counted down in float, exactly, without a
    // conversion per value.
    float vs = 0.0f, weight = static_cast<float>(top);
    for (int k = 0; k < n; ++k, weight -= 1.0f) vs += weight * newest[-k];
    return vs / ws;
  }

  // The two windows' sums of y, y x and y x^2 over points first (or shortFirst) .. last, x
  // counting up from x: six accumulators, each in its own register (not paired in vector
  // lanes, which costs a shuffle per point), the long window's points before the short
  // window's first apart.
  [[gnu::noinline, gnu::optimize("no-tree-slp-vectorize")]] static void WindowSums(
      const float* y, int first, int shortFirst, int last, double x, double l[3], double s[3]) {
    double l0 = 0.0, l1 = 0.0, l2 = 0.0, s0 = 0.0, s1 = 0.0, s2 = 0.0;
    int i = first;
    for (; i < shortFirst && i <= last; ++i, x += 1.0) {
      const double v = y[i], vx = v * x, vx2 = v * (x * x);
      l0 += v, l1 += vx, l2 += vx2;
    }
    for (; i <= last; ++i, x += 1.0) {
      const double v = y[i], vx = v * x, vx2 = v * (x * x);
      l0 += v, l1 += vx, l2 += vx2;
      s0 += v, s1 += vx, s2 += vx2;
    }
    l[0] = l0, l[1] = l1, l[2] = l2, s[0] = s0, s[1] = s1, s[2] = s2;
  }
  [[gnu::noinline]] static void AbscissaSums(vqm::CAbscissaSums& kept, int a, int b,
                                             double S[5]) {
    if (!kept.Get(a, b, S)) {
      IntegerPowerSums(a, b, S);
      kept.Forget();
    }
  }

  int L_, h_, W_, lag_;
  float exponent_;
  vqm::CAbscissaSums longX_, shortX_;
  double longS_[5] = {}, shortS_[5] = {};
  std::vector<float> raw_, adjusted_;  // what a point must keep
  std::vector<float> results_;         // the smoother's W newest, twice
  int resultsHeld_ = 0;
  float changes_[30] = {};
  int changesFilled_ = 0;
  unsigned changeSlot_ = 0;
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

// Twelve rings of lengths 10 .. 120, summed four at a time in vector lanes, slot by slot, the
// three groups of lanes side by side; the lowest and highest of the means, then the status,
// position and width the export returns. The export keeps one shared history instead (a
// tenth of the memory, for many series called in turn) and re-adds only each ring's older
// slots.
struct TrendOut {
  int status;
  float position, width;
  bool operator!=(const TrendOut& o) const {
    return status != o.status || position != o.position || width != o.width;
  }
};

class TrendFloor {
 public:
  TrendFloor() : lanes_(3 * 120) {}
  // Written in place, as the export's measurement writes its result: returned, the status
  // and position would be put together in one register through memory.
  void Call(float x, float factor, TrendOut& out) {
    for (int a = 0; a < 12; ++a) {
      const int length = 10 * (a + 1);
      lanes_[static_cast<size_t>((a / 4) * 120 + pos_ % length)].lane[a % 4] = x;
    }
    ++pos_;
    // The three groups' sums advance side by side, each in its own register, as the export
    // advances its runs: one after another, the groups would wait on one another's chains.
    const Slot* l = lanes_.data();
    __m128 sums[3] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
    int t = 0;
    for (; t < 40; ++t) {
      sums[0] = _mm_add_ps(sums[0], _mm_load_ps(l[t].lane));
      sums[1] = _mm_add_ps(sums[1], _mm_load_ps(l[120 + t].lane));
      sums[2] = _mm_add_ps(sums[2], _mm_load_ps(l[240 + t].lane));
    }
    for (; t < 80; ++t) {
      sums[1] = _mm_add_ps(sums[1], _mm_load_ps(l[120 + t].lane));
      sums[2] = _mm_add_ps(sums[2], _mm_load_ps(l[240 + t].lane));
    }
    for (; t < 120; ++t) sums[2] = _mm_add_ps(sums[2], _mm_load_ps(l[240 + t].lane));
    float lo = 0, hi = 0;
    for (int g = 0; g < 3; ++g) {
      const __m128 sum = sums[g];
      float s[4];
      _mm_storeu_ps(s, sum);
      for (int k = 0; k < 4; ++k) {
        const int length = 10 * (4 * g + k + 1);
        const float mean = s[k] / static_cast<float>(pos_ < length ? pos_ : length);
        lo = g + k == 0 || mean < lo ? mean : lo;
        hi = g + k == 0 || mean > hi ? mean : hi;
      }
    }
    const float w = hi - lo;
    if (!(w > 0.0f)) {
      out = TrendOut{0, 0.0f, 0.0f};
      return;
    }
    const float width = factor * 10000.0f * w / lo;
    if (lo > x) {
      out = TrendOut{1, -100.0f, width};
      return;
    }
    if (x > hi) {
      out = TrendOut{2, 100.0f, width};
      return;
    }
    const int quotient = _mm_cvtt_ss2si(_mm_set_ss((x - lo) * 200.0f / w / 25.0f));
    out = TrendOut{0, static_cast<float>(quotient * 25 - 100), width};
  }

 private:
  struct alignas(16) Slot {
    float lane[4] = {};
  };
  std::vector<Slot> lanes_;
  int pos_ = 0;
};

void BM_TrendReversalFloor(benchmark::State& state) {
  TrendFloor floor;
  Walk walk;
  for (auto _ : state) {
    TrendOut out;
    floor.Call(walk.Next(), Unknown(1.0f), out);
    benchmark::DoNotOptimize(out.status);
    benchmark::DoNotOptimize(out.position);
    benchmark::DoNotOptimize(out.width);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrendReversalFloor)->Iterations(kCalls);

TrendOut CallTrendReversal(const std::string& symbol, int i, float price) {
  TrendOut out;
  out.status = VQM_TrendReversal(0, symbol.c_str(), DateOf(i), TimeOf(i), 1, 5, price, 1.0f, 10,
                                 120, &out.position, &out.width);
  return out;
}

void BM_TrendReversalOverFloor(benchmark::State& state) {
  const std::string symbol = FreshSymbol("Trend");
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    const TrendOut out = CallTrendReversal(symbol, i, walk.Next());
    benchmark::DoNotOptimize(out.status);
    benchmark::DoNotOptimize(out.position);
    benchmark::DoNotOptimize(out.width);
    ++i;
  }
  // Untimed: the floor gives the export's outputs over the same run.
  const std::string again = FreshSymbol("Trend");
  Walk same;
  TrendFloor floor;
  for (int j = 0; j < i; ++j) {
    const float price = same.Next();
    TrendOut fromFloor;
    floor.Call(price, 1.0f, fromFloor);
    if (fromFloor != CallTrendReversal(again, j, price)) {
      state.SkipWithError("the floor's outputs differ from the export's");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TrendReversalOverFloor)->Iterations(kCalls);

// ---- the pattern search -------------------------------------------------------------------

// Adding a bar: its five values divided and stored with its day, in room reserved for the
// run.
void BM_FindGemAddFloor(benchmark::State& state) {
  const std::unique_ptr<GemBar[]> bars(new GemBar[kCalls]);
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    const int p = static_cast<int>(walk.Next() * 100.0f);
    const int v[5] = {p, p + 5, p - 5, p, 100 + i % 7};
    benchmark::DoNotOptimize(v);
    StoreGemBarFloor(bars[static_cast<size_t>(i)], DateOf(i),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(v)), v[4], 100.0f);
    ++i;
  }
  benchmark::DoNotOptimize(bars.get());
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

// The floor behind a call with the export's parameters, in the export's loop.
void BM_FindGemAddCalledFloor(benchmark::State& state) {
  CalledFindGemAddStart(kCalls);
  Walk walk;
  int i = 0;
  for (auto _ : state) {
    const int p = static_cast<int>(walk.Next() * 100.0f);
    int open = p, high = p + 5, low = p - 5, close = p, volume = 100 + i % 7;
    benchmark::DoNotOptimize(CalledFindGemAddFloor(0, "Floor", DateOf(i), TimeOf(i), 100, &open,
                                                   &high, &low, &close, &volume, 100));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindGemAddCalledFloor)->Iterations(kCalls);

// The measurement: a scan of the 100 bars after the reference bar, whose high, low and day
// lie packed side by side (the bar itself found by its index: the export finds it from the
// one it found last). The bars are the ones the export's history holds, each with the day
// the scan compares: its date as YYYYMMDD, 0 for a date that is not in the calendar (most of
// this run's dates, 2 January to 1 June 2024 with every day number up to 99, are not, and
// the scan goes on across their boundaries).
struct GemScanBar {
  float high, low;
  int day;
};

std::vector<GemScanBar> GemScanBars() {
  std::vector<GemScanBar> bars;
  Walk walk;
  for (int i = 0; i < kCalls + 200; ++i) {
    const int p = static_cast<int>(walk.Next() * 100.0f);
    bars.push_back({static_cast<float>(p + 5) / 100.0f, static_cast<float>(p - 5) / 100.0f,
                    vqm::HostBarTime(DateOf(i), TimeOf(i)).ToDateInt(0)});
  }
  return bars;
}

// The excursions of bar i in the floor's order: rise above the reference low and high, fall
// below the reference low and high.
struct GemFloorExcursions {
  float e[4];
};
// A bar's four are the lanes of one vector (high - ref low, high - ref high, ref low - low,
// ref high - low: a fall as the reference minus the price, which differs from the negated
// price minus the reference only in the sign of a zero, and a zero never raises), and their
// highest is kept twice over, for the even and the odd bars, so that one bar's raise need
// not wait for the one before: the highest of a set of values is the same whatever the order
// (a raise keeps the first of two equal values, and neither NaN nor a zero ever raises a
// highest that starts at +0).
inline GemFloorExcursions GemCalcFloorCall(const std::vector<GemScanBar>& bars, int i) {
  const GemScanBar& ref = bars[static_cast<size_t>(i - 100)];
  // A reference price of 0 or less measures nothing on its side (the walk goes below 0).
  const bool lowSide = ref.low > 0.0f, highSide = ref.high > 0.0f;
  const __m128 lowHigh = _mm_set_ps(ref.high, ref.low, ref.high, ref.low);
  const auto excursions = [&](const GemScanBar& q) {
    double pair;  // high and low
    memcpy(&pair, &q.high, sizeof pair);
    const __m128 highLow = _mm_castpd_ps(_mm_set_sd(pair));
    return _mm_sub_ps(_mm_shuffle_ps(highLow, lowHigh, _MM_SHUFFLE(1, 0, 0, 0)),
                      _mm_shuffle_ps(lowHigh, highLow, _MM_SHUFFLE(1, 1, 1, 0)));
  };
  __m128 even = _mm_setzero_ps(), odd = _mm_setzero_ps();
  // The 100 bars after the reference, two at a time, up to the first of another day.
  for (int j = i - 99; j < i; j += 2) {
    const GemScanBar& q = bars[static_cast<size_t>(j)];
    const GemScanBar& r = bars[static_cast<size_t>(j + 1)];
    if (q.day != ref.day) break;
    even = _mm_max_ps(excursions(q), even);
    if (r.day != ref.day) break;
    odd = _mm_max_ps(excursions(r), odd);
  }
  float e[4];
  _mm_storeu_ps(e, _mm_max_ps(odd, even));
  if (!lowSide) e[0] = e[2] = 0.0f;
  if (!highSide) e[1] = e[3] = 0.0f;
  return {{e[0], e[1], e[2], e[3]}};
}

void BM_FindGemCalcFloor(benchmark::State& state) {
  const std::vector<GemScanBar> bars = GemScanBars();
  int i = 200;
  for (auto _ : state) {
    GemFloorExcursions e = GemCalcFloorCall(bars, i);
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
  // Untimed: the floor's excursions are the export's, bit for bit, call for call.
  const std::vector<GemScanBar> bars = GemScanBars();
  for (int j = 200; j < i; ++j) {
    float out[4];
    VQM_FindGemCalc(0, symbol.c_str(), DateOf(j), TimeOf(j), 0, &out[0], &out[1], &out[2],
                    &out[3]);
    const GemFloorExcursions f = GemCalcFloorCall(bars, j);
    const float same[4] = {f.e[2], f.e[0], f.e[1], f.e[3]};  // the export's order
    if (memcmp(out, same, sizeof out) != 0) {
      state.SkipWithError("the floor's excursions differ from the export's");
      break;
    }
  }
}
BENCHMARK(BM_FindGemCalcOverFloor)->Iterations(kCalls);

// ---- buy/sell pressure and price normalisation ----------------------------------------------

// The benchmark's pressure instance: average length 10, volume length 20, style 1.
constexpr int kPressureAvgLen = 10, kPressureVolLen = 20;

float BarUp(int i) { return 100.0f + static_cast<float>(i % 13); }
float BarDown(int i) { return 90.0f + static_cast<float>(i % 7); }

// What one VQM_BSPCalc call (style 1) must compute for its bits: the bar's total into a ring
// of 20 summed in slot order, the volume ratio and the dominant side's share (two
// divisions), and the buy or sell average and the pressure average advanced exponentially.
// The buy or sell value also goes into its average's ring (slot, count), which a later call
// of style 3 or 4 averages simply. The ring's sum is re-added from the slot just written, on
// the sums of the slots before it (the same additions in the same order): faster than
// summing the 20 slots on every call.
class PressureFloor {
 public:
  float Next(float up, float down) {
    const float total = up + down, diff = up - down;
    if (pos_ == kPressureVolLen) pos_ = 0;
    const int slot = pos_;
    ring_[pos_++] = total;
    if (filled_ < kPressureVolLen) ++filled_;
    float sum = slot == 0 ? 0.0f : sums_[slot - 1];
    // Unrolled as the export's loop is: the same additions in the same order, less loop.
#pragma GCC unroll 4
    for (int k = slot; k < filled_; ++k) {
      sum += ring_[k];
      sums_[k] = sum;
    }
    const float avg = sum / static_cast<float>(filled_);
    const float ratio = avg > 0.0f ? total / avg : 1.0f;
    float share;
    if (diff >= 0.0f)
      share = up > 0.0f ? 1.0f - down / up : 1.0f;
    else
      share = down > 0.0f ? (1.0f - up / down) * -1.0f : -1.0f;
    const float p = ratio * share;
    if (p > 0.0f) buy_.Add(p);
    if (p < 0.0f) sell_.Add(-p);
    pressure_.Add(p);
    return p;
  }
  // The buy, sell and pressure averages' values, and the buy and sell rings as a later call
  // would read them.
  bool AveragesAre(const CBSPSet& inst) const {
    return buy_.Is(inst.buyAvg) && sell_.Is(inst.sellAvg) &&
           pressure_.value == inst.pressureAvg.value;
  }

 private:
  static constexpr float kFactor = 2.0f / static_cast<float>(kPressureAvgLen + 1);
  // The pressure's average: its ring is never read.
  struct Exponential {
    float value = 0.0f;
    bool started = false;
    void Add(float x) {
      value = started ? value + (x - value) * kFactor : x;
      started = true;
    }
  };
  // The buy or sell average with the ring a simple average of a later call reads.
  struct ExponentialWithRing {
    float value = 0.0f;
    int filled = 0, pos = 0;
    float ring[kPressureAvgLen] = {};
    void Add(float x) {
      value = filled > 0 ? value + (x - value) * kFactor : x;
      if (pos == kPressureAvgLen) pos = 0;
      ring[pos++] = x;
      if (filled < kPressureAvgLen) ++filled;
    }
    bool Is(const vqm::CCalcStack& stack) const {
      if (stack.value != value || stack.filled != static_cast<uint32_t>(filled) ||
          stack.writePos != static_cast<uint32_t>(pos))
        return false;
      for (int k = 0; k < filled; ++k)
        if (stack.items[k] != ring[k]) return false;
      return true;
    }
  };
  float ring_[kPressureVolLen] = {};
  float sums_[kPressureVolLen] = {};  // sums of slots 0 .. k
  int pos_ = 0, filled_ = 0;
  ExponentialWithRing buy_, sell_;
  Exponential pressure_;
};

void BM_BSPCalcFloor(benchmark::State& state) {
  PressureFloor floor;
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(floor.Next(Unknown(BarUp(i)), Unknown(BarDown(i))));
    ++i;
  }
  // The averages are what the call computes besides the pressure: kept, not dropped as unread.
  benchmark::DoNotOptimize(floor);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPCalcFloor)->Iterations(kCalls);

// A fresh style-1 instance of the benchmark's lengths, bound and restarted by VQM_BSP.
CBSPSet* FreshPressureInstance(vqm::test::HostDouble& host) {
  host.maxBarsBack = 1;
  host.SetParameters(kPressureAvgLen, kPressureVolLen, 1);
  host.SetAbsoluteBar(1);
  const std::string key = FreshSymbol("Bsp");
  std::vector<char> keyText(key.begin(), key.end());
  keyText.resize(2048, 0);
  VQM_BSP("sub", 1, 0, keyText.data(), &host, 0);
  return reinterpret_cast<CBSPSet*>(VQM_BSPHandle("sub", 1, 0, key.c_str()));
}

void BM_BSPCalcOverFloor(benchmark::State& state) {
  vqm::test::HostDouble host;
  CBSPSet* instance = FreshPressureInstance(host);
  int i = 0;
  for (auto _ : state) {
    float pressure;
    VQM_BSPCalc(instance, BarUp(i), BarDown(i), 1, &pressure);
    benchmark::DoNotOptimize(pressure);
    ++i;
  }
  // Untimed: the floor computes the export's bits over the same run.
  CBSPSet* again = FreshPressureInstance(host);
  PressureFloor floor;
  for (int j = 0; j < i; ++j) {
    float pressure;
    VQM_BSPCalc(again, BarUp(j), BarDown(j), 1, &pressure);
    if (floor.Next(BarUp(j), BarDown(j)) != pressure || !floor.AveragesAre(*again)) {
      state.SkipWithError("the floor's pressure or averages differ from the export's");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BSPCalcOverFloor)->Iterations(kCalls);

float PrcNormFactor(int i) { return i % 2 ? 0.5f : 2.5f; }

void BM_PrcNormFloor(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int v[5] = {i, i + 1, -i, 100000 + i, 7};
    PrcNormFloor(Unknown(PrcNormFactor(i)), v);
    benchmark::DoNotOptimize(v);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrcNormFloor)->Iterations(kCalls);

// Calls of the export's form (factor, five price pointers) timed in the loop the price
// benchmarks share; returns how many were made.
template <class Call>
int TimePrcNormCalls(benchmark::State& state, Call call) {
  int i = 0;
  for (auto _ : state) {
    int v[5] = {i, i + 1, -i, 100000 + i, 7};
    benchmark::DoNotOptimize(call(i, v));
    benchmark::DoNotOptimize(v);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  return i;
}

// Untimed: whether rescale(factor, prices) gives the export's prices for each of the calls
// a run made.
template <class Rescale>
bool GivesTheExportsPrices(int calls, Rescale rescale) {
  for (int j = 0; j < calls; ++j) {
    int v[5] = {j, j + 1, -j, 100000 + j, 7}, w[5] = {j, j + 1, -j, 100000 + j, 7};
    VQM_F_PrcNorm(PrcNormFactor(j), &v[0], &v[1], &v[2], &v[3], &v[4]);
    rescale(PrcNormFactor(j), w);
    if (!std::equal(v, v + 5, w)) return false;
  }
  return true;
}

void BM_PrcNormOverFloor(benchmark::State& state) {
  const int calls = TimePrcNormCalls(state, [](int i, int (&v)[5]) {
    return VQM_F_PrcNorm(PrcNormFactor(i), &v[0], &v[1], &v[2], &v[3], &v[4]);
  });
  if (!GivesTheExportsPrices(calls, [](float factor, int (&w)[5]) { PrcNormFloor(factor, w); }))
    state.SkipWithError("the floor's prices differ from the export's");
}
BENCHMARK(BM_PrcNormOverFloor)->Iterations(kCalls);

// The floor behind a call with the export's parameters, in the export's loop.
int CallPrcNormFloor(float factor, int (&v)[5]) {
  return CalledPrcNormFloor(factor, &v[0], &v[1], &v[2], &v[3], &v[4]);
}

void BM_PrcNormCalledFloor(benchmark::State& state) {
  const int calls = TimePrcNormCalls(
      state, [](int i, int (&v)[5]) { return CallPrcNormFloor(PrcNormFactor(i), v); });
  if (!GivesTheExportsPrices(calls, CallPrcNormFloor))
    state.SkipWithError("the called floor's prices differ from the export's");
}
BENCHMARK(BM_PrcNormCalledFloor)->Iterations(kCalls);

// The export called with factor 1, which reads and writes nothing: what calling it costs
// before any arithmetic (the call, the pointer tests and the factor test), in the same loop.
void BM_PrcNormIdleCall(benchmark::State& state) {
  TimePrcNormCalls(state, [](int, int (&v)[5]) {
    return VQM_F_PrcNorm(Unknown(1.0f), &v[0], &v[1], &v[2], &v[3], &v[4]);
  });
}
BENCHMARK(BM_PrcNormIdleCall)->Iterations(kCalls);

}  // namespace

