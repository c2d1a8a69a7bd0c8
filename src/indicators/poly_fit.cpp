#include "indicators/poly_fit.h"

#include <cmath>

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

}  // namespace

bool FitFromSums(int degree, const CFitSums& sums, float x, float* value) {
  return degree == 1 ? FitOfDegree<1>(sums, x, value) : FitOfDegree<2>(sums, x, value);
}

}  // namespace vqm
