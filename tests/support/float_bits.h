// Floats compared as the library's results are specified: bit for bit.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace vqm::test {

inline uint32_t FloatBits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

// Equal bit patterns, or both NaN (whose sign and payload the two may propagate differently).
inline bool SameFloat(float a, float b) {
  return FloatBits(a) == FloatBits(b) || (std::isnan(a) && std::isnan(b));
}

}  // namespace vqm::test
