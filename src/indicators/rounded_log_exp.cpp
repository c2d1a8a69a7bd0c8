#include "indicators/rounded_log_exp.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace vqm {
namespace {

constexpr double kLn2 = 0.69314718055994530942;
// A margin far above the polynomials' error (below 2^-42) and the C library's (an ulp of
// a double): a value that rounds alike over this whole relative neighbourhood leaves no
// doubt which float the exact result rounds to.
constexpr double kMargin = 1.0 / (int64_t{1} << 36);

// The float y rounds to, when every value within kMargin of it rounds there too.
bool RoundsSafely(double y, float* out) {
  const float f = static_cast<float>(y);
  if (static_cast<float>(y * (1.0 - kMargin)) != f || static_cast<float>(y * (1.0 + kMargin)) != f)
    return false;
  *out = f;
  return true;
}

uint32_t BitsOf(float x) {
  uint32_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

float FloatOf(uint32_t u) {
  float x;
  std::memcpy(&x, &u, sizeof x);
  return x;
}

}  // namespace

float LogRounded(float x) {
  const uint32_t bits = BitsOf(x);
  // Positive normal finite numbers only; the rest is the C library's.
  if (bits - 0x00800000u < 0x7F000000u) {
    // x = m * 2^e with m in [sqrt(1/2), sqrt(2)).
    int e = static_cast<int>(bits >> 23) - 127;
    uint32_t mantissa = bits & 0x007FFFFFu;
    if (mantissa > 0x003504F3u) {  // m above sqrt(2): halve it
      ++e;
      mantissa |= 0x3F000000u;
    } else {
      mantissa |= 0x3F800000u;
    }
    const double m = FloatOf(mantissa);
    // log m = 2 atanh s = 2 (s + s^3/3 + ... + s^15/15 + ...), |s| <= 0.1716: the terms left
    // out stay below 2^-44 of the value.
    const double s = (m - 1.0) / (m + 1.0);  // m - 1 and m + 1 are exact
    // The polynomial in z = s^2 by pairs of terms (Estrin), for a short chain.
    const double z = s * s, z2 = z * z, z4 = z2 * z2;
    const double series = ((2.0 + 2.0 / 3 * z) + (2.0 / 5 + 2.0 / 7 * z) * z2) +
                          ((2.0 / 9 + 2.0 / 11 * z) + (2.0 / 13 + 2.0 / 15 * z) * z2) * z4;
    const double y = static_cast<double>(e) * kLn2 + s * series;
    float out;
    if (RoundsSafely(y, &out)) return out;
  }
  return static_cast<float>(std::log(static_cast<double>(x)));
}

float ExpRounded(float x) {
  const double t = x;
  // Results well inside the normal floats only; the rest (and NaN) is the C library's.
  if (t > -80.0 && t < 80.0) {
    // exp t = 2^k exp r with |r| <= ln2 / 2 (and a little rounding): the Taylor terms left
    // out after r^11 / 11! stay below 2^-47 of the value.
    // Rounded to the nearest integer by the addition (|t / ln2| < 2^51).
    constexpr double kRoundingShift = 6755399441055744.0;  // 1.5 * 2^52
    const double k = (t * (1.0 / kLn2) + kRoundingShift) - kRoundingShift;
    const double r = t - k * kLn2;
    // By pairs of terms (Estrin), for a short chain.
    const double r2 = r * r, r4 = r2 * r2, r8 = r4 * r4;
    const double p =
        (((1.0 + r) + (1.0 / 2 + 1.0 / 6 * r) * r2) +
         ((1.0 / 24 + 1.0 / 120 * r) + (1.0 / 720 + 1.0 / 5040 * r) * r2) * r4) +
        ((1.0 / 40320 + 1.0 / 362880 * r) + (1.0 / 3628800 + 1.0 / 39916800 * r) * r2) * r8;
    const uint64_t scaleBits = static_cast<uint64_t>(1023 + static_cast<int64_t>(k)) << 52;
    double scale;
    std::memcpy(&scale, &scaleBits, sizeof scale);
    float out;
    if (RoundsSafely(p * scale, &out)) return out;
  }
  return static_cast<float>(std::exp(static_cast<double>(x)));
}

}  // namespace vqm
