// Least-squares polynomial of degree 1 to 10 by the normal equations, in double precision.
// A fixed-size value object: a fit allocates nothing, so callers create one on the stack
// for every fit. Points go in as floats and are widened to double.
#pragma once

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
