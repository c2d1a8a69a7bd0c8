// Least-squares polynomial of degree 1 to 10 by the normal equations, in double precision.
// A fixed-size value object: a fit allocates nothing, so callers create one on the stack
// for every fit. Points go in as floats and are widened to double.
#pragma once

#include <cstdint>

namespace vqm {

class CPolyFit {
 public:
  static constexpr int kMaxDegree = 10;

  // Degrees outside 1..10 are ignored and the previous degree kept.
  void SetDegree(int d);
  void AddPoint(float x, float y);
  // Does nothing with no points; otherwise solves by elimination with partial pivoting
  // (ties keep the upper row) and back substitution. A zero pivot is not tested.
  void Solve();
  // False when unsolved or when fewer points were added than the degree.
  bool Evaluate(float x, float* value) const;

  int degree = 1;
  double S[2 * kMaxDegree + 2] = {};              // S[k] = sum of x^k, k = 0 .. 2d
  double T[kMaxDegree + 1] = {};                  // T[k] = sum of y * x^k, k = 0 .. d
  double M[kMaxDegree + 1][kMaxDegree + 2] = {};  // augmented normal-equation matrix
  double coef[kMaxDegree + 1] = {};               // coef[k] multiplies x^k
  int solved = 0;
};

}  // namespace vqm

namespace vqm {

// The sums of one window for a line and a parabola at once: S[k] = sum of x^k (k = 0 .. 4)
// and T[k] = sum of y * x^k (k = 0 .. 2), each added point by point exactly as
// CPolyFit::AddPoint adds them. A line uses S[0..2] and T[0..1], which a degree-1 fitter
// accumulates with the very same operations, so one pass serves both degrees.
struct CFitSums {
  double S[5] = {};
  double T[3] = {};

  // x and y as AddPoint widens them.
  void Add(double x, double y) {
    const double x2 = x * x;
    S[0] += 1.0;
    T[0] += y;
    S[1] += x;
    T[1] += y * x;
    S[2] += x2;
    T[2] += y * x2;
    const double x3 = x2 * x;
    S[3] += x3;
    S[4] += x3 * x;
  }
};

// S[0 .. 4] of a run of consecutive integer abscissas, for as long as every power and every
// partial sum of them is an integer below 2^53: then adding them one by one in double
// precision is exact, and these are its results. The sums are kept where the caller reads
// them (the S of its CFitSums), so a run that moved on by one abscissa costs a few operations
// there and no copy.
// REQUIRES: S is the array the last Get wrote; a caller that writes it otherwise calls Forget.
class CAbscissaSums {
 public:
  // False (and S untouched) when the sums would not be exact.
  bool Get(int first, int last, double S[5]) {
    const int64_t a = first, b = last;
    if (a == first_ + 1 && b == last_ + 1 && b <= largest_ && -a <= largest_) {
      // Moved on by one within the bound of its length: two powers change. Every term is an
      // integer below 2^53, so each difference is exact and may be taken first.
      const double out = static_cast<double>(first_), in = static_cast<double>(b);
      const double out2 = out * out, in2 = in * in;
      S[1] += in - out;
      S[2] += in2 - out2;
      S[3] += in2 * in - out2 * out;
      S[4] += in2 * in2 - out2 * out2;
      first_ = a;
      last_ = b;
      return true;
    }
    return a == first_ && b == last_ ? true : Rebuild(a, b, S);
  }
  // What S holds is no longer the last run's sums.
  void Forget() { first_ = last_ = kNone; }

 private:
  bool Rebuild(int64_t first, int64_t last, double S[5]);

  // Nothing kept: no run of int abscissas starts at or next to this.
  static constexpr int64_t kNone = INT64_MIN;
  int64_t first_ = kNone;
  int64_t last_ = kNone;
  int64_t count_ = 0;     // the run length largest_ was found for
  int64_t largest_ = -1;  // the largest |x| that keeps sums of count_ abscissas exact
};

// What fresh CPolyFits given these sums answer after Solve and Evaluate (x), in this order:
// f[0] the line and f[2] the parabola of the long window, f[1] and f[3] those of the short
// one. 0 when all four succeed, else the number (1 .. 4) of the first that fails in the order
// long line, short line, long parabola, short parabola; f is then not written.
int FitsFromSums(const CFitSums& longSums, const CFitSums& shortSums, float x, float f[4]);
// One of those fits (degree 1 or 2, at least that many points) before its value is rounded
// to float.
double FitValueAt(int degree, const CFitSums& sums, float x);

}  // namespace vqm
