#include "indicators/poly_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/float_bits.h"

namespace vqm {
namespace {

CPolyFit Solved(int degree, const std::vector<float>& xs, const std::vector<float>& ys) {
  CPolyFit fit;
  fit.SetDegree(degree);
  for (size_t i = 0; i < xs.size(); ++i) fit.AddPoint(xs[i], ys[i]);
  fit.Solve();
  return fit;
}

TEST(PolyFit, RecoversPolynomialsItCanRepresent) {
  const struct {
    int degree;
    std::vector<double> coef;  // of x^0, x^1, ...
  } cases[] = {
      {1, {2.0, -0.5}}, {2, {1.0, 3.0, -0.25}}, {3, {-4.0, 0.5, 2.0, 0.125}}, {2, {7.0, 0.0, 0.0}}};
  for (const auto& c : cases) {
    std::vector<float> xs, ys;
    for (int x = -3; x <= 6; ++x) {
      double y = 0.0, p = 1.0;
      for (double k : c.coef) {
        y += k * p;
        p *= x;
      }
      xs.push_back(static_cast<float>(x));
      ys.push_back(static_cast<float>(y));
    }
    const CPolyFit fit = Solved(c.degree, xs, ys);
    ASSERT_EQ(1, fit.solved);
    for (int k = 0; k <= c.degree; ++k) EXPECT_NEAR(c.coef[k], fit.coef[k], 1e-9) << k;
    float at = 0.0f;
    ASSERT_TRUE(fit.Evaluate(2.0f, &at));
    EXPECT_FLOAT_EQ(ys[5], at);  // x = 2 is the sixth point
  }
}

TEST(PolyFit, PivotingSwapsOnlyForAStrictlyLargerMagnitude) {
  // x = 0, 1, 2: S0 = 3 and S1 = 3 tie in the first column, so the upper row stays.
  const CPolyFit tie = Solved(1, {0.0f, 1.0f, 2.0f}, {1.0f, 2.0f, 4.0f});
  EXPECT_EQ(3.0, tie.M[0][0]);
  EXPECT_EQ(3.0, tie.M[0][1]);
  EXPECT_EQ(7.0, tie.M[0][2]);
  EXPECT_EQ(0.0, tie.M[1][0]);
  // x = 2, 3: S1 = 5 exceeds S0 = 2, so the rows change places.
  const CPolyFit swap = Solved(1, {2.0f, 3.0f}, {1.0f, 1.0f});
  EXPECT_EQ(5.0, swap.M[0][0]);
  EXPECT_EQ(13.0, swap.M[0][1]);
  EXPECT_EQ(5.0, swap.M[0][2]);
}

TEST(PolyFit, ZeroPivotLeavesItsCoefficientAtZero) {
  // A parabola through two points: the last pivot is 0, the fit is the line through them.
  const CPolyFit fit = Solved(2, {0.0f, 1.0f}, {1.0f, 3.0f});
  EXPECT_EQ(0.0, fit.M[2][2]);
  EXPECT_EQ(0.0, fit.coef[2]);
  EXPECT_EQ(2.0, fit.coef[1]);
  EXPECT_EQ(1.0, fit.coef[0]);
  float value = 0.0f;
  ASSERT_TRUE(fit.Evaluate(4.0f, &value));
  EXPECT_EQ(9.0f, value);
}

TEST(PolyFit, DegreeOutsideOneToTenIsIgnored) {
  const struct { int request, degree; } cases[] = {{0, 3}, {-1, 3}, {11, 3}, {1, 1}, {10, 10}};
  for (const auto& c : cases) {
    CPolyFit fit;
    fit.SetDegree(3);
    fit.SetDegree(c.request);
    EXPECT_EQ(c.degree, fit.degree) << c.request;
  }
}

TEST(PolyFit, EvaluateNeedsASolutionAndEnoughPoints) {
  float value = -1.0f;
  CPolyFit empty;
  empty.Solve();  // no points: stays unsolved
  EXPECT_EQ(0, empty.solved);
  EXPECT_FALSE(empty.Evaluate(0.0f, &value));

  CPolyFit stale = Solved(1, {0.0f, 1.0f}, {0.0f, 1.0f});
  stale.AddPoint(2.0f, 2.0f);  // a point added after solving makes it unsolved
  EXPECT_FALSE(stale.Evaluate(0.0f, &value));

  EXPECT_FALSE(Solved(3, {0.0f, 1.0f}, {1.0f, 2.0f}).Evaluate(0.0f, &value));
  EXPECT_TRUE(Solved(3, {0.0f, 1.0f, 2.0f}, {1.0f, 2.0f, 2.0f}).Evaluate(0.0f, &value));
  // One point and degree 1: the constant through it.
  ASSERT_TRUE(Solved(1, {5.0f}, {4.5f}).Evaluate(9.0f, &value));
  EXPECT_EQ(4.5f, value);
}

// The regression's four fits from one window's sums against four fresh fitters, bit for bit:
// windows around 0 and far from it (every pivot order), ties in the first column, two points
// (a zero last pivot), one point, values of both signs, zeros, NaN and infinities.
TEST(PolyFit, FitsFromSumsAnswerAsFreshFitters) {
  const struct {
    int first, count, skip;  // abscissas first .. first + count - 1; the short window skips
  } windows[] = {{0, 3, 1},   {-5, 11, 3}, {-1, 2, 0},  {990, 11, 3}, {-200, 201, 3},
                 {1, 2, 1},   {0, 1, 0},   {7, 51, 3},  {-3, 4, 2},   {1000, 5, 1}};
  const float specials[] = {0.0f, -0.0f, 1e30f, -3.5f, NAN, INFINITY, 1e-30f};
  uint32_t state = 1;
  for (const auto& w : windows)
    for (int round = 0; round < 40; ++round) {
      std::vector<float> xs, ys;
      for (int i = 0; i < w.count; ++i) {
        state = state * 1664525u + 1013904223u;
        const float y = round < 7 && i == w.count / 2 ? specials[round]
                                                        : static_cast<float>(state >> 8) * 1e-4f - 800.0f;
        xs.push_back(static_cast<float>(w.first + i));
        ys.push_back(y);
      }
      CFitSums longSums, shortSums;
      for (int i = 0; i < w.count; ++i) {
        longSums.Add(xs[i], ys[i]);
        if (i >= w.skip) shortSums.Add(xs[i], ys[i]);
      }
      const float at = xs.back();
      float f[4] = {};
      const int failed = FitsFromSums(longSums, shortSums, at, f);
      const std::vector<float> shortXs(xs.begin() + w.skip, xs.end());
      const std::vector<float> shortYs(ys.begin() + w.skip, ys.end());
      const CPolyFit fits[4] = {Solved(1, xs, ys), Solved(1, shortXs, shortYs), Solved(2, xs, ys),
                                Solved(2, shortXs, shortYs)};
      int expectedFailure = 0;
      float expected[4] = {};
      for (int i = 3; i >= 0; --i)
        if (!fits[i].Evaluate(at, &expected[i])) expectedFailure = i + 1;
      ASSERT_EQ(expectedFailure, failed) << "window at " << w.first;
      for (int i = 0; i < 4 && failed == 0; ++i) {
        // The unrounded value, as Evaluate sums it: a difference in the last bit of a double
        // seldom reaches the float.
        const CPolyFit& fit = fits[i];
        double sum = 0.0, power = 1.0;
        for (int k = 0; k <= fit.degree; ++k) {
          if (k > 0) power = power * at;
          sum += fit.coef[k] * power;
        }
        const double value = FitValueAt(fit.degree, i % 2 == 0 ? longSums : shortSums, at);
        uint64_t a, b;
        memcpy(&a, &sum, 8);
        memcpy(&b, &value, 8);
        EXPECT_EQ(a, b) << "window at " << w.first << " fit " << i << " round " << round;
        EXPECT_EQ(test::FloatBits(expected[i]), test::FloatBits(f[i]));
      }
    }
}

}  // namespace
}  // namespace vqm
