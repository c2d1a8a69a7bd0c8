#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "support/backend_test.h"

namespace vqm {
namespace {

// The rescaling written from its description, independently of the library.
int ModelRound(float x) {
  const float d = 5.1f / 10.0f;
  const float y = x > 0.0f ? x + d : x - d;
  const double t = std::trunc(static_cast<double>(y));
  if (std::isnan(y) || t > 2147483647.0 || t < -2147483648.0) return INT_MIN;
  return static_cast<int>(t);
}

void Model(float factor, int* v) {
  float f[5];
  for (int i = 0; i < 5; ++i) f[i] = static_cast<float>(v[i]);
  if (!(factor > 0.0f) || factor == 1.0f) return;
  for (int i = 0; i < 5; ++i) v[i] = ModelRound(f[i] * factor);
}

class PrcNormTest : public test::BackendTest {};

TEST_P(PrcNormTest, WorkedExamples) {
  struct Case {
    float factor;
    int value;
    int expected;
  } cases[] = {{1.0f, 7, 7},     {0.0f, 7, 7},       {-2.0f, 7, 7},    {2.0f, 3, 6},
               {0.5f, 3, 2},     {0.5f, -3, -2},     {0.25f, 1, 0},    {0.01f, 249, 3},
               {0.5f, 0, 0},     {1.5f, -1, -2},     {NAN, 9, 9},      {INFINITY, 1, INT_MIN},
               {3.0f, 2000000000, INT_MIN},           {2.0f, 16777217, 33554432}};
  for (const Case& c : cases) {
    int v[5] = {c.value, c.value, c.value, c.value, c.value};
    EXPECT_EQ(0, api().VQM_F_PrcNorm(c.factor, &v[0], &v[1], &v[2], &v[3], &v[4]));
    for (int x : v) EXPECT_EQ(c.expected, x) << c.factor << " x " << c.value;
  }
}

TEST_P(PrcNormTest, ReadsAllValuesBeforeWritingAny) {
  int a = 3, b = 10;
  // a passed twice and last: both writes scale the value read at entry.
  EXPECT_EQ(0, api().VQM_F_PrcNorm(2.0f, &a, &b, &a, &b, &a));
  EXPECT_EQ(6, a);
  EXPECT_EQ(20, b);
}

TEST_P(PrcNormTest, NullPointerIsRefusedBeforeAnyWrite) {
  int v[4] = {1, 2, 3, 4};
  EXPECT_EQ(-1, api().VQM_F_PrcNorm(2.0f, &v[0], &v[1], nullptr, &v[2], &v[3]));
  EXPECT_EQ(1, v[0]);
  EXPECT_EQ(4, v[3]);
}

TEST_P(PrcNormTest, AgreesWithTheModelOnRandomCases) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> anyInt(INT_MIN, INT_MAX);
  std::uniform_int_distribution<int> smallInt(-100000, 100000);
  std::uniform_real_distribution<float> factor(-0.5f, 4.0f);
  for (int n = 0; n < 100000; ++n) {
    int v[5];
    for (int& x : v) x = (n % 3 == 0) ? anyInt(rng) : smallInt(rng);
    float f = factor(rng);
    if (n % 97 == 0) f = 1.0f;
    if (n % 89 == 0) f = NAN;
    if (n % 83 == 0) f = 0.0f;
    int expected[5];
    memcpy(expected, v, sizeof v);
    Model(f, expected);
    ASSERT_EQ(0, api().VQM_F_PrcNorm(f, &v[0], &v[1], &v[2], &v[3], &v[4]));
    for (int i = 0; i < 5; ++i) ASSERT_EQ(expected[i], v[i]) << "case " << n << " factor " << f;
  }
}

VQM_INSTANTIATE_BACKEND_TESTS(PrcNormTest);

}  // namespace
}  // namespace vqm
