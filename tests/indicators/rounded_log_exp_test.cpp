#include "indicators/rounded_log_exp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/float_bits.h"

namespace vqm {
namespace {

float FloatOf(uint32_t u) {
  float x;
  std::memcpy(&x, &u, sizeof x);
  return x;
}

// Every float pattern with VQM_EVERY_FLOAT=1 (some minutes on each build), otherwise every
// 4099th, starting from each end of the patterns' range and at the values the regression
// average meets (ratios near 1, exponents near 0).
TEST(RoundedLogExp, SameBitsAsTheCLibrary) {
  const bool every = std::getenv("VQM_EVERY_FLOAT") != nullptr;
  const uint64_t stride = every ? 1 : 4099;
  const struct {
    const char* name;
    float (*fast)(float);
    double (*library)(double);
  } functions[] = {{"log", LogRounded, [](double x) { return std::log(x); }},
                   {"exp", ExpRounded, [](double x) { return std::exp(x); }}};
  for (const auto& f : functions) {
    uint64_t differ = 0, checked = 0;
    const auto check = [&](uint32_t bits) {
      const float x = FloatOf(bits);
      const float expected = static_cast<float>(f.library(static_cast<double>(x)));
      ++checked;
      if (test::FloatBits(f.fast(x)) != test::FloatBits(expected) && differ++ < 5)
        ADD_FAILURE() << f.name << " of bits 0x" << std::hex << bits;
    };
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += stride) check(static_cast<uint32_t>(bits));
    if (!every)
      for (uint32_t around : {0x3F800000u, 0xBF800000u, 0x00000000u, 0x80000000u})
        for (uint32_t d = 0; d < 200000; ++d) check(around + d), check(around - d);
    EXPECT_EQ(0u, differ) << f.name << ", of " << checked;
  }
}

}  // namespace
}  // namespace vqm
