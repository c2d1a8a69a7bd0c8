#include "indicators/poly_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vqm {

void CPolyFit::SetDegree(int d) {
  if (d >= 1 && d <= kMaxDegree) degree = d;
}

void CPolyFit::AddPoint(float xf, float yf) {
  const double x = xf;
  const double y = yf;
  solved = 0;
  S[0] += 1.0;
  T[0] += y;
  double power = 1.0;
  for (int k = 1; k <= degree; ++k) {
    power = power * x;
    S[k] += power;
    T[k] += y * power;
  }
  for (int k = degree + 1; k <= 2 * degree; ++k) {
    power = power * x;
    S[k] += power;
  }
}

void CPolyFit::Solve() {
  const int d = degree;
  if (static_cast<int>(S[0]) < 1 || d < 0) return;
  for (int i = 0; i <= d; ++i) {
    for (int j = 0; j <= d; ++j) M[i][j] = S[i + j];
    M[i][d + 1] = T[i];
  }
  for (int k = 0; k <= d; ++k) {
    int pivot = k;
    for (int r = k + 1; r <= d; ++r)
      if (std::fabs(M[r][k]) > std::fabs(M[pivot][k])) pivot = r;
    if (pivot > k)
      for (int j = k; j <= d + 1; ++j) {
        const double t = M[k][j];
        M[k][j] = M[pivot][j];
        M[pivot][j] = t;
      }
    for (int i = k + 1; i <= d; ++i) {
      const double f = M[i][k] / M[k][k];
      M[i][k] = 0.0;
      for (int j = k + 1; j <= d + 1; ++j) M[i][j] -= f * M[k][j];
    }
  }
  for (int i = d; i >= 0; --i) {
    double sum = M[i][d + 1];
    for (int j = i + 1; j <= d; ++j) sum -= coef[j] * M[i][j];
    if (M[i][i] != 0.0) coef[i] = sum / M[i][i];
  }
  solved = 1;
}

bool CPolyFit::Evaluate(float xf, float* value) const {
  if (!solved || degree < 1 || static_cast<int>(S[0]) < degree) return false;
  const double x = xf;
  double sum = 0.0;
  double power = 1.0;
  for (int k = 0; k <= degree; ++k) {
    if (k > 0) power = power * x;
    sum += coef[k] * power;
  }
  *value = static_cast<float>(sum);
  return true;
}

}  // namespace vqm

namespace vqm {
namespace {

// Solve and Evaluate of a fresh fitter of degree D, with the loops' bounds fixed.
template <int D>
bool FitOfDegree(const CFitSums& sums, float xf, float* value) {
  const double* S = sums.S;
  const double* T = sums.T;
  if (static_cast<int>(S[0]) < 1) return false;  // unsolved
  double M[D + 1][D + 2];
  for (int i = 0; i <= D; ++i) {
    for (int j = 0; j <= D; ++j) M[i][j] = S[i + j];
    M[i][D + 1] = T[i];
  }
  for (int k = 0; k <= D; ++k) {
    int pivot = k;
    for (int r = k + 1; r <= D; ++r)
      if (std::fabs(M[r][k]) > std::fabs(M[pivot][k])) pivot = r;
    if (pivot > k)
      for (int j = k; j <= D + 1; ++j) {
        const double t = M[k][j];
        M[k][j] = M[pivot][j];
        M[pivot][j] = t;
      }
    for (int i = k + 1; i <= D; ++i) {
      const double f = M[i][k] / M[k][k];
      M[i][k] = 0.0;
      for (int j = k + 1; j <= D + 1; ++j) M[i][j] -= f * M[k][j];
    }
  }
  double coef[D + 1] = {};
  for (int i = D; i >= 0; --i) {
    double sum = M[i][D + 1];
    for (int j = i + 1; j <= D; ++j) sum -= coef[j] * M[i][j];
    if (M[i][i] != 0.0) coef[i] = sum / M[i][i];
  }
  if (static_cast<int>(S[0]) < D) return false;
  const double x = xf;
  double sum = 0.0;
  double power = 1.0;
  for (int k = 0; k <= D; ++k) {
    if (k > 0) power = power * x;
    sum += coef[k] * power;
  }
  *value = static_cast<float>(sum);
  return true;
}

// Largest |x| whose fourth power stays below 2^53.
constexpr int64_t kMaxExactAbscissa = 9741;
constexpr int64_t kExactLimit = int64_t{1} << 53;

void AddPowers(int64_t x, int64_t sign, int64_t sums[5]) {
  const int64_t x2 = x * x;
  sums[0] += sign;
  sums[1] += sign * x;
  sums[2] += sign * x2;
  sums[3] += sign * x2 * x;
  sums[4] += sign * x2 * x2;
}

}  // namespace

bool CAbscissaSums::Get(int first, int last, double S[5]) {
  const int64_t a = first, b = last;
  const int64_t m = std::max(a < 0 ? -a : a, b < 0 ? -b : b);
  const int64_t count = b - a + 1;
  // Every partial sum of x^4 stays below count * m^4.
  if (count <= 0 || m > kMaxExactAbscissa || count > kExactLimit / std::max<int64_t>(1, m * m * m * m))
    return false;
  if (a == first_ + 1 && b == last_ + 1 && first_ <= last_) {
    AddPowers(first_, -1, sums_);
    AddPowers(b, 1, sums_);
  } else if (a != first_ || b != last_) {
    for (int64_t& s : sums_) s = 0;
    for (int64_t x = a; x <= b; ++x) AddPowers(x, 1, sums_);
  }
  first_ = a;
  last_ = b;
  for (int k = 0; k < 5; ++k) S[k] = static_cast<double>(sums_[k]);
  return true;
}

bool FitFromSums(int degree, const CFitSums& sums, float x, float* value) {
  return degree == 1 ? FitOfDegree<1>(sums, x, value) : FitOfDegree<2>(sums, x, value);
}

}  // namespace vqm
