// Long random call streams through the library and through the independent model, compared
// bit for bit on every call, on both backends. The streams cover every phase for intraday
// and other bar types, regression lengths 0..200, smoother lengths -5..50, response factors,
// repeat counts and diagnostic codes, replaces by bar number and by negative date, dates
// going back, staying, going forward and 0, values of 0, and symbols differing only in case.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "indicators/rare_avg_manager.h"
#include "indicators/rare_avg_model.h"
#include "support/backend_test.h"

namespace vqm {
namespace {

using test::RareAvgModel;
using test::RareAvgModelCall;
using test::SameFloat;

// What one generated series of calls keeps between its calls.
struct Profile {
  std::string symbol;
  int regr, wgt, respFac, barType, day;
  int bar = 100, date = 1240102, time = 930;
  float level = 100.0f;
  float step = 1.0f;
};

class StreamGenerator {
 public:
  StreamGenerator(uint32_t seed, std::vector<Profile> profiles)
      : rng_(seed), profiles_(std::move(profiles)) {}

  RareAvgModelCall Next(std::vector<int>* profileWeights = nullptr) {
    Profile& p = profiles_[PickProfile(profileWeights)];
    RareAvgModelCall c{p.symbol.c_str(), p.regr,         p.wgt,     0.0f,  0, 0,
                       p.respFac,        Uniform(-3, 3), p.barType, p.day, 0};
    bool negativeDate = false, zeroDate = false;
    const int action = Uniform(0, 99);
    if (action < 62) {  // a new bar, now and then on a new day
      ++p.bar;
      if (Uniform(0, 120) == 0) p.date += Uniform(1, 3);
      p.time = p.time % 2400 + 1;
    } else if (action < 74) {  // the same bar again: replace
    } else if (action < 80) {  // replace by a negative date, the bar number moving on or not
      p.bar += Uniform(0, 1);
      negativeDate = true;
    } else if (action < 83) {  // the date goes back
      p.date -= Uniform(1, 5);
      ++p.bar;
    } else if (action < 85) {  // date 0
      zeroDate = true;
      ++p.bar;
    } else if (action < 90) {  // a lower bar number
      p.bar -= Uniform(1, 50);
    } else {  // a bar number jumping ahead
      p.bar += Uniform(2, 9);
    }
    c.date = zeroDate ? 0 : (negativeDate ? -p.date : p.date);
    c.time = p.time;
    c.bar = p.bar;
    c.value = NextValue(p);
    return c;
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  size_t PickProfile(const std::vector<int>* weights) {
    if (weights == nullptr) return static_cast<size_t>(Uniform(0, int(profiles_.size()) - 1));
    std::discrete_distribution<size_t> pick(weights->begin(), weights->end());
    return pick(rng_);
  }

  float NextValue(Profile& p) {
    const int kind = Uniform(0, 99);
    if (kind < 3) return 0.0f;
    if (kind < 8) return p.level;          // unchanged: a change of 0 percent
    if (kind < 10) return p.level * 3.0f;  // a spike
    std::normal_distribution<float> noise(0.0f, p.step);
    p.level = p.level + noise(rng_);
    return p.level;
  }

  std::mt19937 rng_;
  std::vector<Profile> profiles_;
};

// The response factors a profile may carry: plain, repeated, diagnostic and negative codes.
const int kRespFacs[] = {0,  1,   30,   60,    99,    100,   161,   199,   200, 260, 361,
                         -1, -60, -500, -1818, -1819, -1820, -1817, -1821, 45,  7};

class RareAvgStreamTest : public test::BackendTest {
 protected:
  // Replays `calls` generated calls through both and stops at the first difference.
  void Replay(StreamGenerator& gen, int calls, std::vector<int>* weights = nullptr) {
    for (int i = 0; i < calls; ++i) {
      const RareAvgModelCall c = gen.Next(weights);
      const float want = model_.Call(c);
      const float got = api().VQM_RareAvg(c.symbol, c.regr, c.wgt, c.value, c.date, c.time,
                                          c.respFac, c.diagnostic, c.barType, c.day, c.bar);
      ++compared_;
      if (want != 1000000000.0f) ++answered_;
      ASSERT_TRUE(SameFloat(want, got))
          << "call " << i << ": " << c.symbol << " regr=" << c.regr << " wgt=" << c.wgt
          << " value=" << c.value << " date=" << c.date << " respFac=" << c.respFac
          << " barType=" << c.barType << " day=" << c.day << " bar=" << c.bar << ": model " << want
          << " (" << test::FloatBits(want) << "), library " << got << " (" << test::FloatBits(got)
          << ")";
    }
  }

  // In process the library's series are visible: they must hold exactly the model's points.
  void ExpectSameSeriesState(const std::string& prefix) {
    if (!inProcess()) return;
    int checked = 0;
    for (int i = 0; i < g_RareAvgMgr.GetSize(); ++i) {
      const CRareAvgSym* s = g_RareAvgMgr.GetAt(i);
      if (s->symbol.compare(0, prefix.size(), prefix) != 0) continue;
      const test::ModelSeries* m = model_.Find(s->symbol.c_str(), s->regrLength, s->wgtLength,
                                               s->respFacKey, s->barType, s->dayKey);
      ASSERT_NE(nullptr, m) << s->symbol;
      ASSERT_EQ(static_cast<int>(m->points.size()), s->PointCount()) << s->symbol;
      ASSERT_EQ(s->PointCount() - 1, s->lastIndex);
      EXPECT_EQ(m->lastDate, s->lastDate);
      EXPECT_EQ(m->lag, s->lag);
      for (int j = 0; j < s->PointCount(); ++j) {
        const CRareAvgPoint p = s->PointAt(j);
        const test::ModelPoint& q = m->points[j];
        ASSERT_TRUE(SameFloat(q.raw, p.raw) && SameFloat(q.adjusted, p.adjusted))
            << s->symbol << " point " << j;
      }
      ++checked;
    }
    EXPECT_EQ(static_cast<int>(model_.series().size()), checked);
  }

  RareAvgModel model_;
  int compared_ = 0;
  int answered_ = 0;
};

TEST_P(RareAvgStreamTest, ManySeriesAcrossAllParameters) {
  const std::string prefix = test::UniqueSymbolPrefix("Mix");
  std::mt19937 rng(20240315);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<Profile> profiles;
  const char* names[] = {"es", "ES", "Es", "nq", "NQ", "cl", "gc", "zb", "6e", "ym"};
  for (int i = 0; i < 72; ++i) {
    Profile p;
    p.symbol = prefix + names[i % 10];
    // Regression lengths cover 0..200, the long ones rarer so their warm-up ends.
    p.regr = i % 9 == 0 ? pick(0, 3) : (i % 3 == 0 ? pick(60, 200) : pick(4, 40));
    p.wgt = pick(-5, 50);
    // Half the profiles take a plain factor 0..99, the rest repeats and codes.
    p.respFac = i % 2 == 0 ? pick(0, 99) : kRespFacs[pick(0, int(std::size(kRespFacs)) - 1)];
    p.barType = pick(0, 3) == 0 ? pick(-1, 1) : pick(1, 3);
    p.day = pick(0, 2) == 0 ? pick(-2, 5) : 0;
    p.level = i % 4 == 0 ? -40.0f : (i % 4 == 1 ? 0.5f : 100.0f + static_cast<float>(i));
    p.step = i % 4 == 1 ? 0.3f : 1.5f;
    profiles.push_back(p);
  }
  // Case variants of one symbol with equal keys: one series reached under three spellings.
  for (const char* name : {"vx", "VX", "vX"}) {
    Profile p;
    p.symbol = prefix + name;
    p.regr = 10;
    p.wgt = 0;
    p.respFac = 60;
    p.barType = 1;
    p.day = 1;
    profiles.push_back(p);
  }
  StreamGenerator gen(7, profiles);
  Replay(gen, 60000);
  EXPECT_GT(answered_, compared_ / 2);  // most calls carry a real result, not the error
  const test::ModelCoverage& c = model_.coverage();
  for (int kind = 0; kind < 2; ++kind) {
    EXPECT_GT(c.warmUp[kind], 100) << kind;
    EXPECT_GT(c.transition[kind], 20) << kind;
    EXPECT_GT(c.running[kind], 1000) << kind;
  }
  EXPECT_GT(c.trivial, 100);
  EXPECT_GE(c.longestRunning, 150);
  EXPECT_GT(c.adjusted, 1000);
  EXPECT_GT(c.unchanged, 50);
  EXPECT_GT(c.zeroValues, 50);
  EXPECT_GT(c.diagnostics, 100);
  EXPECT_GT(c.replaced, 1000);
  EXPECT_GT(c.restarts, 100);
  EXPECT_GT(c.repeated, 1000);
  ExpectSameSeriesState(prefix);
}

TEST_P(RareAvgStreamTest, LongSeriesWrapTheirAbscissas) {
  const std::string prefix = test::UniqueSymbolPrefix("Long");
  std::vector<Profile> profiles;
  // The longest window's powers of its abscissas outgrow 2^53 once the abscissas wrap, so
  // its fits take both ways of summing them.
  const int regrs[] = {10, 33, 120, 2000};
  for (int i = 0; i < 4; ++i) {
    Profile p;
    p.symbol = prefix + std::to_string(i);
    p.regr = regrs[i];
    p.wgt = i == 2 ? -1 : 7;
    p.respFac = i == 1 ? 260 : 60;
    p.barType = 2;
    p.day = 0;
    p.step = 0.8f;
    profiles.push_back(p);
  }
  // Dates never go back here, so the series grow past 1010 points.
  StreamGenerator gen(11, profiles);
  for (int i = 0; i < 2500; ++i) {
    for (int k = 0; k < 4; ++k) {
      const Profile& p = profiles[k];
      const float value =
          50.0f + static_cast<float>(std::sin(i * 0.05 + k) * 10.0 + gen.Uniform(-100, 100) * 0.01);
      const int bar = i % 97 == 5 ? i - 1 : i;  // now and then the same bar again
      const RareAvgModelCall c{p.symbol.c_str(),  p.regr, p.wgt,     value,
                               1240102 + i / 500, 930,    p.respFac, 0,
                               p.barType,         p.day,  bar};
      const float want = model_.Call(c);
      const float got = api().VQM_RareAvg(c.symbol, c.regr, c.wgt, c.value, c.date, c.time,
                                          c.respFac, 0, c.barType, c.day, c.bar);
      ASSERT_TRUE(SameFloat(want, got))
          << "bar " << i << " series " << k << ": model " << want << ", library " << got;
    }
  }
  for (const auto& s : model_.series()) EXPECT_GT(s->points.size(), 1010u) << s->symbol;
  EXPECT_GT(model_.coverage().wrappedAbscissas, 1000);
  ExpectSameSeriesState(prefix);
}

// Index 1010 is the last whose abscissa is the index itself; from 1011 on they wrap modulo
// 1000. Each case's data are such that wrapping one point early changes the results (the
// fits at the edge feed the smoother), and the library must give the model's unwrapped ones.
TEST_P(RareAvgStreamTest, LastUnwrappedAbscissaIsIndex1010) {
  const struct {
    int regr, respFac;
    float (*value)(int bar);
  } cases[] = {
      {10, 0, [](int i) { return 1.0f + static_cast<float>(i % 13) * 0.37f + static_cast<float>(i % 5) * 11.1f; }},
      {10, 60, [](int i) { return static_cast<float>(i * 7919 % 1000) * 0.731f + 1.0f; }},
      {10, 0, [](int i) { return 12345.678f + static_cast<float>(i * 31 % 97) * 3.3f; }},
  };
  const std::string prefix = test::UniqueSymbolPrefix("Edge1010");
  for (size_t k = 0; k < sizeof cases / sizeof cases[0]; ++k) {
    const auto& c = cases[k];
    const std::string symbol = prefix + std::to_string(k);
    RareAvgModel early;
    early.unwrappedUpTo = 1009;
    bool wrapShows = false;
    for (int i = 0; i <= 1015; ++i) {
      const RareAvgModelCall call{symbol.c_str(), c.regr, 7, c.value(i), 1240102, 930,
                                  c.respFac,      0,      2, 0,          i};
      const float want = model_.Call(call);
      wrapShows = wrapShows || !SameFloat(want, early.Call(call));
      const float got = api().VQM_RareAvg(call.symbol, c.regr, 7, call.value, call.date,
                                          call.time, c.respFac, 0, 2, 0, i);
      ASSERT_TRUE(SameFloat(want, got)) << symbol << " bar " << i << ": model "
                                        << test::FloatBits(want) << ", library "
                                        << test::FloatBits(got);
    }
    EXPECT_TRUE(wrapShows) << symbol << ": the data cannot tell an early wrap";
  }
}

VQM_INSTANTIATE_BACKEND_TESTS(RareAvgStreamTest);

}  // namespace
}  // namespace vqm
