#include "averages/calc_stack.h"
#include "support/average_model.h"
#include "support/float_bits.h"
#include "support/stack_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace vqm {
namespace {

// The state a push leaves besides the value, as the model keeps it: high, low, count, the
// slot the next value goes to and the ring's slots, bit for bit.
void ExpectStateOfModel(const CCalcStack& s, const test::AverageModel& m, const char* what) {
  SCOPED_TRACE(what);
  test::ExpectStackStateOfModel(s, m);
}

// Every push, the owners' variants too (kept sums, known factor, known initialised), against
// the model: each value, then the state of each stack.
TEST(CCalcStack, MatchesTheModelBitForBit) {
  std::mt19937 rng(20261208);
  std::uniform_real_distribution<float> price(-500.0f, 5000.0f);
  const int lengths[] = {1, 2, 3, 7, 30, 101, 1000};
  for (int length : lengths) {
    for (int round = 0; round < 2; ++round) {  // the second round after re-Init / Free
      CCalcStack ma, ema, wgt, maSums, emaReady;
      wgt.weighted = 1;
      if (round == 1) {
        ma.Init(length + 1);
        ma.AddMA(5.0f);
        ema.Free();
        wgt.Init(length);
        wgt.AddWgtAvg(9.0f);
        maSums.Init(length);
        emaReady.Init(length);
        emaReady.AddEMA(-3.0f);
      }
      ASSERT_EQ(1, ma.Init(length));
      ASSERT_EQ(1, ema.Init(length));
      ASSERT_EQ(1, wgt.Init(length));
      ASSERT_EQ(1, maSums.Init(length));
      ASSERT_EQ(1, emaReady.Init(length));
      std::vector<float> slotSums(static_cast<size_t>(length), -1.0f);
      // AddEMAReady needs a length of 2 or more.
      const bool ready = length >= 2;
      const float factor = CCalcStack::EmaFactor(length);
      test::AverageModel simple, exponential, weighted;
      simple.Init(length);
      exponential.Init(length);
      weighted.Init(length);
      for (int k = 0; k < length; ++k) {
        const float w = static_cast<float>((k * 7) % 5);  // zeros count as 1
        wgt.SetWeight(w, k);
        weighted.SetWeight(w, k);
      }
      for (int i = 0; i < 3 * length + 50; ++i) {
        const float x = price(rng);
        ASSERT_EQ(1, ma.AddMA(x));
        ASSERT_EQ(1, ema.AddEMA(x));
        ASSERT_EQ(1, wgt.AddWgtAvg(x));
        if (i % 2 == 0)
          ASSERT_EQ(1, maSums.AddMAKeepingSums(x, slotSums.data()));
        else
          maSums.AddMAKeepingSumsReady(x, slotSums.data());
        if (ready) emaReady.AddEMAReady(x, factor);
        simple.AddSimple(x);
        exponential.AddExponential(x);
        weighted.AddWeighted(x);
        ASSERT_EQ(test::FloatBits(simple.value()), test::FloatBits(ma.value)) << length << " at " << i;
        ASSERT_EQ(test::FloatBits(exponential.value()), test::FloatBits(ema.value)) << length << " at " << i;
        ASSERT_EQ(test::FloatBits(weighted.value()), test::FloatBits(wgt.value)) << length << " at " << i;
        ASSERT_EQ(test::FloatBits(simple.value()), test::FloatBits(maSums.value)) << length << " at " << i;
        if (ready) {
          ASSERT_EQ(test::FloatBits(exponential.value()), test::FloatBits(emaReady.value)) << length << " at " << i;
        }
      }
      SCOPED_TRACE(length);
      ExpectStateOfModel(ma, simple, "AddMA");
      ExpectStateOfModel(ema, exponential, "AddEMA");
      ExpectStateOfModel(wgt, weighted, "AddWgtAvg");
      ExpectStateOfModel(maSums, simple, "AddMAKeepingSums");
      if (ready) ExpectStateOfModel(emaReady, exponential, "AddEMAReady");
    }
  }
}

// A push keeps the largest and smallest value as `if (x > high) high = x` does, through
// every push and past the warm-up (length 2): a NaN never replaces them unless it comes first,
// and of +0 and -0 the first one stays.
TEST(CCalcStack, HighAndLowKeepTheFirstOfEqualsAndIgnoreNaN) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct Case {
    const char* name;
    std::vector<float> pushes;
    float high, low;
  } cases[] = {
      {"PlusZeroFirst", {0.0f, -0.0f, -0.0f, -0.0f}, 0.0f, 0.0f},
      {"MinusZeroFirst", {-0.0f, 0.0f, 0.0f, 0.0f}, -0.0f, -0.0f},
      {"NaNLater", {1.0f, nan, 2.0f, nan, nan}, 2.0f, 1.0f},
      {"NaNFirst", {nan, 1.0f, -2.0f, 3.0f}, nan, nan},
      {"Infinities", {3.0f, inf, -inf, 0.0f}, inf, -inf},
      {"NewHighAndLowWhenFull", {5.0f, 4.0f, 6.0f, 3.0f, 7.0f, 2.0f}, 7.0f, 2.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CCalcStack ma, ema, wgt, maSums, emaReady;
    float slotSums[2];
    for (CCalcStack* s : {&ma, &ema, &wgt, &maSums, &emaReady}) ASSERT_EQ(1, s->Init(2));
    for (float x : c.pushes) {
      ma.AddMA(x);
      ema.AddEMA(x);
      wgt.AddWgtAvg(x);
      maSums.AddMAKeepingSumsReady(x, slotSums);
      emaReady.AddEMAReady(x, CCalcStack::EmaFactor(2));
    }
    for (const CCalcStack* s : {&ma, &ema, &wgt, &maSums, &emaReady}) {
      EXPECT_EQ(test::FloatBits(c.high), test::FloatBits(s->high));
      EXPECT_EQ(test::FloatBits(c.low), test::FloatBits(s->low));
    }
  }
}

TEST(CCalcStack, WorkedExamples) {
  CCalcStack s;
  ASSERT_EQ(1, s.Init(3));
  const float ma[] = {1.0f, 1.5f, 2.0f, 3.0f};
  for (int i = 0; i < 4; ++i) {
    s.AddMA(static_cast<float>(i + 1));
    EXPECT_EQ(ma[i], s.value);
  }
  EXPECT_EQ(4.0f, s.high);
  EXPECT_EQ(1.0f, s.low);  // high and low cover everything since Init
  EXPECT_EQ(3u, s.filled);

  CCalcStack e;
  e.Init(3);
  e.AddEMA(1.0f);
  EXPECT_EQ(1.0f, e.value);
  e.AddEMA(2.0f);
  EXPECT_EQ(1.5f, e.value);
}

TEST(CCalcStack, InitLimitsAndUninitialisedPushes) {
  CCalcStack s;
  EXPECT_EQ(0, s.AddMA(1.0f));
  EXPECT_EQ(1, s.Init(0));
  EXPECT_EQ(0, s.AddMA(1.0f));
  EXPECT_EQ(0, s.AddEMA(1.0f));
  EXPECT_EQ(0, s.AddWgtAvg(1.0f));
  EXPECT_EQ(0.0f, s.value);
  EXPECT_EQ(0, s.Init(1000001));
  EXPECT_EQ(nullptr, s.items);
  EXPECT_EQ(1, s.Init(1000000));
  EXPECT_EQ(1000000u, s.capacity);
  EXPECT_EQ(1, s.AddMA(2.0f));
}

TEST(CCalcStack, ReInitWithTheSameLengthRestartsAndZeroesWeights) {
  CCalcStack s;
  s.weighted = 1;
  s.Init(4);
  float* ring = s.items;
  s.SetWeight(3.0f, 0);
  s.AddWgtAvg(10.0f);
  s.AddWgtAvg(20.0f);
  EXPECT_EQ(1, s.Init(4));
  EXPECT_EQ(ring, s.items);  // buffers reused
  EXPECT_EQ(0u, s.filled);
  EXPECT_EQ(0.0f, s.weights[0]);
  EXPECT_EQ(1, s.weighted);
  s.Free();
  EXPECT_EQ(0, s.weighted);
  EXPECT_EQ(0, s.length);
}

TEST(CCalcStack, UnweightedStackKeepsOnlyTheLastWeight) {
  CCalcStack s;
  s.Init(3);
  EXPECT_EQ(1, s.SetWeight(3.0f, 0));
  EXPECT_EQ(1, s.SetWeight(2.0f, 1));
  EXPECT_EQ(0, s.SetWeight(1.0f, 3));
  EXPECT_EQ(0, s.SetWeight(1.0f, -1));
  EXPECT_EQ(0.0f, s.weights[0]);
  EXPECT_EQ(2.0f, s.weights[1]);
  s.AddWgtAvg(1.0f);
  s.AddWgtAvg(4.0f);
  // newest 4 with weight 1, then 1 with weight 2: (4 + 2) / 3
  EXPECT_EQ(2.0f, s.value);
}

}  // namespace
}  // namespace vqm
