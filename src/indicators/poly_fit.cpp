#include "indicators/poly_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

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

// Solve and Evaluate of a fresh fitter of degree 1 and 2, written out: the same operations
// on the same values as CPolyFit's loops. Rows are swapped by their addresses (a swap moves
// columns k .. d+1 of two rows; the columns before k are not read again). The caller has
// checked that S[0] allows the fit. Inline, so that the two fits of a degree (each a chain of
// divisions) run side by side, and a Windows build saves its registers once for the four.
[[gnu::always_inline]] inline double LineAt(const CFitSums& sums, double x) {
  const double* S = sums.S;
  double r0[3] = {S[0], S[1], sums.T[0]};
  double r1[3] = {S[1], S[2], sums.T[1]};
  double *a = r0, *b = r1;
  if (std::fabs(b[0]) > std::fabs(a[0])) std::swap(a, b);
  const double f = b[0] / a[0];
  b[1] -= f * a[1];
  b[2] -= f * a[2];
  double c0 = 0.0, c1 = 0.0;
  if (b[1] != 0.0) c1 = b[2] / b[1];
  const double sum0 = a[2] - c1 * a[1];
  if (a[0] != 0.0) c0 = sum0 / a[0];
  double sum = 0.0;
  sum += c0 * 1.0;
  sum += c1 * x;
  return sum;
}

[[gnu::always_inline]] inline double ParabolaAt(const CFitSums& sums, double x) {
  const double* S = sums.S;
  double r0[4] = {S[0], S[1], S[2], sums.T[0]};
  double r1[4] = {S[1], S[2], S[3], sums.T[1]};
  double r2[4] = {S[2], S[3], S[4], sums.T[2]};
  double *a = r0, *b = r1, *c = r2;
  double* pivot = a;
  if (std::fabs(b[0]) > std::fabs(pivot[0])) pivot = b;
  if (std::fabs(c[0]) > std::fabs(pivot[0])) pivot = c;
  if (pivot == b) std::swap(a, b);
  if (pivot == c) std::swap(a, c);
  const double fb = b[0] / a[0];
  b[1] -= fb * a[1];
  b[2] -= fb * a[2];
  b[3] -= fb * a[3];
  const double fc = c[0] / a[0];
  c[1] -= fc * a[1];
  c[2] -= fc * a[2];
  c[3] -= fc * a[3];
  if (std::fabs(c[1]) > std::fabs(b[1])) std::swap(b, c);
  const double f = c[1] / b[1];
  c[2] -= f * b[2];
  c[3] -= f * b[3];
  double c0 = 0.0, c1 = 0.0, c2 = 0.0;
  if (c[2] != 0.0) c2 = c[3] / c[2];
  const double sum1 = b[3] - c2 * b[2];
  if (b[1] != 0.0) c1 = sum1 / b[1];
  double sum0 = a[3] - c1 * a[1];
  sum0 -= c2 * a[2];
  if (a[0] != 0.0) c0 = sum0 / a[0];
  double sum = 0.0;
  double power = 1.0;
  sum += c0 * power;
  power = power * x;
  sum += c1 * power;
  power = power * x;
  sum += c2 * power;
  return sum;
}

// Largest |x| whose fourth power stays below 2^53.
constexpr int64_t kMaxExactAbscissa = 9741;
constexpr int64_t kExactLimit = int64_t{1} << 53;

// The largest |x| for which a run of `count` abscissas keeps every sum exact (-1: none).
int64_t LargestExactAbscissa(int64_t count) {
  // Every partial sum of x^4 stays below count * m^4; the test is monotone in m.
  const auto exact = [count](int64_t m) {
    return count <= kExactLimit / std::max<int64_t>(1, m * m * m * m);
  };
  if (!exact(0)) return -1;
  int64_t low = 0, high = kMaxExactAbscissa;  // exact(low) holds
  while (low < high) {
    const int64_t mid = (low + high + 1) / 2;
    if (exact(mid)) low = mid;
    else high = mid - 1;
  }
  return low;
}

// Powers of integers below 2^53 and their sums, exact in double precision.
void AddPowers(double x, double sign, double sums[5]) {
  const double x2 = x * x;
  sums[0] += sign;
  sums[1] += sign * x;
  sums[2] += sign * x2;
  sums[3] += sign * (x2 * x);
  sums[4] += sign * (x2 * x2);
}

}  // namespace

bool CAbscissaSums::Rebuild(int64_t a, int64_t b, double S[5]) {
  const int64_t count = b - a + 1;
  if (count <= 0) {
    Forget();
    return false;
  }
  if (count != count_) {
    count_ = count;
    largest_ = LargestExactAbscissa(count);
  }
  if (std::max(a < 0 ? -a : a, b < 0 ? -b : b) > largest_) {
    Forget();
    return false;
  }
  for (int k = 0; k < 5; ++k) S[k] = 0.0;
  for (int64_t x = a; x <= b; ++x) AddPowers(static_cast<double>(x), 1.0, S);
  first_ = a;
  last_ = b;
  return true;
}

int FitsFromSums(const CFitSums& longSums, const CFitSums& shortSums, float xf, float f[4]) {
  // A fit fails only for too few points, which S[0] tells before anything is solved.
  const int longCount = static_cast<int>(longSums.S[0]);
  const int shortCount = static_cast<int>(shortSums.S[0]);
  if (longCount < 1) return 1;
  if (shortCount < 1) return 2;
  if (longCount < 2) return 3;
  if (shortCount < 2) return 4;
  const double x = xf;
  f[0] = static_cast<float>(LineAt(longSums, x));
  f[1] = static_cast<float>(LineAt(shortSums, x));
  f[2] = static_cast<float>(ParabolaAt(longSums, x));
  f[3] = static_cast<float>(ParabolaAt(shortSums, x));
  return 0;
}

double FitValueAt(int degree, const CFitSums& sums, float x) {
  return degree == 1 ? LineAt(sums, x) : ParabolaAt(sums, x);
}

}  // namespace vqm
