#include "base/printf_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace vqm {
namespace {

struct Result {
  std::string text;
  int n;
  bool operator==(const Result& o) const { return text == o.text && n == o.n; }
};

Result Ours(size_t capacity, const char* format, ...) {
  char buffer[600];
  memset(buffer, '#', sizeof buffer);
  va_list args;
  va_start(args, format);
  const int n = FormatPrintf(buffer, capacity, format, args);
  va_end(args);
  return {capacity > 0 ? std::string(buffer) : std::string(), n};
}

template <class... Args>
Result Library(size_t capacity, const char* format, Args... args) {
  char buffer[600];
  memset(buffer, '#', sizeof buffer);
  const int n = snprintf(capacity > 0 ? buffer : nullptr, capacity, format, args...);
  return {capacity > 0 ? std::string(buffer) : std::string(), n};
}

double FromBits(uint64_t bits) {
  double d;
  memcpy(&d, &bits, sizeof d);
  return d;
}

float FloatFromBits(uint32_t bits) {
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

// The formatter against the C library it stands in for, over a million values: random bit
// patterns (NaN, infinities, subnormals, the largest and smallest), floats widened as the
// library prints them, prices, values exactly halfway between two outputs (odd multiples of
// 2^-(p+1) at precision p) and their neighbours, and the extremes of each integer form.
// Small capacities check the cut text and the returned length.
TEST(PrintfFormatTest, SameBytesAsTheCLibrary) {
  struct FixedFormat {
    const char* format;
    int precision;
  };
  const FixedFormat fixed[] = {{"%.4f", 4},  {"%.0f", 0},        {"%10.4f", 4},
                               {"%11.5f", 5}, {"%f", 6},         {"x=%-12.3f|", 3},
                               {"%012.2f", 2}, {"%.17f", 17},
                               {"%+.3f", 3},  {"%e", 6}};  // the last two: handed on whole
  const char* const integers[] = {"%d",   "%4d",     "%06d", "%08d",   "%-5d|",
                                  "%02d", "%016llX", "%X",   "%lld", "%x %c", "%+d"};
  const double specials[] = {0.0, -0.0, INFINITY, -INFINITY, NAN, -NAN, DBL_MAX, -DBL_MAX,
                             DBL_MIN, std::numeric_limits<double>::denorm_min(), FLT_MAX,
                             1e-300, -1e-300, 0.5, 1.5, 2.5, -0.5, 0.125, 9.99995, 1e22, 1e23,
                             -4.0000000000000001e-05, 5e-5, 2147483648.0, 16777217.0};
  const int intSpecials[] = {0, -1, 1, INT_MIN, INT_MAX, 99, -99, 100000, -100000};
  const char* const texts[] = {"", "ES", "a symbol longer than ten", "FindGem"};

  std::mt19937_64 random(20261208);
  int mismatches = 0;
  std::string first;
  auto check = [&](const Result& ours, const Result& library, const char* format) {
    if (ours == library) return;
    if (++mismatches <= 10)
      first += std::string(format) + ": \"" + ours.text + "\" (" + std::to_string(ours.n) +
               ") against \"" + library.text + "\" (" + std::to_string(library.n) + ")\n";
  };

  for (int i = 0; i < 1000000; ++i) {
    const uint64_t bits = random();
    const FixedFormat& f = fixed[bits % (sizeof fixed / sizeof fixed[0])];
    double v;
    // One value in 16 is a raw bit pattern: half of those lie beyond 1e18 or below 1e-18,
    // where the C library spends the most.
    const int kind = i % 16 == 0 ? 0 : 1 + i % 7;
    switch (kind) {
      case 0: v = FromBits(random()); break;
      case 1: {  // a random mantissa between 2^-64 and 2^64
        int exponent;
        v = std::ldexp(std::frexp(FromBits(random()), &exponent),
                       static_cast<int>(bits >> 32 & 127) - 63);
        break;
      }
      case 2: v = FloatFromBits(static_cast<uint32_t>(random())); break;
      case 3:  // a float between 2^-27 and 2^23, as prices and volumes are
        v = FloatFromBits(static_cast<uint32_t>(random() & 0x807FFFFF) |
                          static_cast<uint32_t>(100 + bits % 50) << 23);
        break;
      case 4: v = static_cast<float>(static_cast<int>(random() % 20000001) - 10000000) / 100.0f;
              break;
      case 5:
      case 6: {
        // Halfway at this precision: an odd multiple of 2^-(p+1) below 2^53.
        const int scale = static_cast<int>(random() % 53) + 1;
        const double odd = static_cast<double>((random() >> (64 - scale)) | 1);
        v = std::ldexp(odd, -(f.precision + 1)) * (bits & 1 << 8 ? -1.0 : 1.0);
        if (kind == 6) v = std::nextafter(v, bits & 1 << 9 ? INFINITY : -INFINITY);
        break;
      }
      default: v = specials[random() % (sizeof specials / sizeof specials[0])];
    }
    // Mostly room for the whole text; now and then a cut.
    const size_t capacity = bits >> 40 & 7 ? 600 : static_cast<size_t>(bits >> 50 & 15);
    check(Ours(capacity, f.format, v), Library(capacity, f.format, v), f.format);

    if (i % 4 != 0) continue;
    const char* g = integers[(bits >> 16) % (sizeof integers / sizeof integers[0])];
    const long long wide = i % 3 ? static_cast<long long>(random())
                                 : intSpecials[random() % (sizeof intSpecials / sizeof(int))];
    if (strstr(g, "ll"))
      check(Ours(capacity, g, wide), Library(capacity, g, wide), g);
    else if (strchr(g, 'c'))
      check(Ours(capacity, g, static_cast<unsigned>(wide), 'a' + i % 26),
            Library(capacity, g, static_cast<unsigned>(wide), 'a' + i % 26), g);
    else
      check(Ours(capacity, g, static_cast<int>(wide)), Library(capacity, g, static_cast<int>(wide)), g);
    if (i % 64 != 0) continue;
    const char* t = texts[(bits >> 24) % (sizeof texts / sizeof texts[0])];
    const char* const strings[] = {"%-16.16s|%s", "Sym=%-10.10s, %%", "%5s.%.2s"};
    const char* s = strings[(bits >> 28) % 3];
    check(Ours(capacity, s, t, t), Library(capacity, s, t, t), s);
  }
  EXPECT_EQ(0, mismatches) << first;
}

}  // namespace
}  // namespace vqm
