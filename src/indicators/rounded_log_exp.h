// The natural logarithm and exponential of a float, computed in double precision and rounded
// to float: the bits of (float)log((double)x) and (float)exp((double)x) as this build's C
// library gives them, faster. A short polynomial gives the value to about 2^-42; when that
// value rounds to one float however it is nudged by far more than its error and the C
// library's, that float is the C library's too. Otherwise, and outside the ranges the
// polynomials cover, the C library answers. Checked against it for every float.
#pragma once

namespace vqm {

float LogRounded(float x);
float ExpRounded(float x);

}  // namespace vqm
