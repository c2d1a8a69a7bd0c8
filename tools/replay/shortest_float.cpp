#include "shortest_float.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vqm::replay {
namespace {

using Wide = unsigned __int128;

// Biased exponents of the floats found here: 2^-20 <= |v| < 2^24. Below, more decimals than
// the arithmetic has room for; above, whole numbers that are not exact.
constexpr uint32_t kLowestExponent = 127 - 20;
constexpr uint32_t kHighestExponent = 127 + 23;
// Nine significant digits always read back, so 2^-20 needs no more than 16 decimals.
constexpr int kMostDecimals = 16;
constexpr int kDoubleDecimals = 11;
constexpr double kTens[kDoubleDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,
                                               1e6, 1e7, 1e8, 1e9, 1e10, 1e11};

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr uint32_t kPowersOfTen[10] = {1,         10,         100,         1000,        10000,
                                       100000,    1000000,    10000000,    100000000,   1000000000};

// From the bit length: 1233 / 4096 is just above log10(2).
int DigitCount(uint32_t n) {
  const int log2 = 31 - __builtin_clz(n | 1);
  const int guess = (log2 + 1) * 1233 >> 12;
  return guess + (n >= kPowersOfTen[guess] ? 1 : 0);
}

// Writes the last count digits of n backwards, ending at end; returns what is left of n.
uint32_t PutDigitsBefore(char* end, uint32_t n, int count) {
  for (; count >= 2; count -= 2, n /= 100) {
    end -= 2;
    memcpy(end, kPairs + 2 * (n % 100), 2);
  }
  if (count == 1) {
    end[-1] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return n;
}

// The digits are put together in a 64-bit word, the first in the lowest byte, and stored
// whole: digits stored one by one and read back as a block would stall the processor.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are stored lowest byte first");

// The eight digits of n below 10^8 (leading zeros included), two lanes of four at a time.
uint64_t EightDigits(uint32_t n) {
  const uint64_t merged = (n / 10000) | (uint64_t{n % 10000} << 32);
  const uint64_t hundreds = ((merged * 10486) >> 20) & 0x0000007F0000007Full;  // lane / 100
  const uint64_t pairs = (merged - hundreds * 100) << 16 | hundreds;
  const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;  // lane / 10
  const uint64_t digits = (pairs - tens * 10) << 8 | tens;
  return digits + 0x3030303030303030ull;
}

void Store(char* p, uint64_t word) { memcpy(p, &word, sizeof word); }

constexpr uint64_t kEightZeros = 0x3030303030303030ull;

// digits x 10^exponent, the digits without trailing zeros, laid out as std::to_chars does:
// plain or scientific, whichever is shorter, plain when they are as long.
char* Layout(char* p, uint32_t digits, int exponent) {
  const int k = DigitCount(digits);  // 9 at most
  const int scientificExponent = k - 1 + exponent;
  const int magnitude = scientificExponent < 0 ? -scientificExponent : scientificExponent;
  const int scientificLength = k + (k > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
  const int plainLength = exponent >= 0 ? k + exponent : k > -exponent ? k + 1 : 2 - exponent;
  if (scientificLength < plainLength) {
    if (k > 1) {
      const uint32_t first = PutDigitsBefore(p + k + 1, digits, k - 1);
      p[0] = static_cast<char>('0' + first);
      p[1] = '.';
      p += k + 1;
    } else {
      *p++ = static_cast<char>('0' + digits);
    }
    *p++ = 'e';
    *p++ = scientificExponent < 0 ? '-' : '+';
    if (magnitude >= 100) *p++ = static_cast<char>('0' + magnitude / 100);
    *p++ = static_cast<char>('0' + magnitude / 10 % 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
    return p;
  }
  // The plain forms: a float's shortest digits are nine at most, the first apart when
  // there are nine. Bytes stored past the end are overwritten later or not read.
  const int extra = k > 8 ? 1 : 0;
  const uint64_t word = EightDigits(digits % 100000000) >> (8 * (8 - k + extra));
  const char lead = static_cast<char>('0' + digits / 100000000);
  if (exponent >= 0) {  // a whole number below 2^24: seven zeros at most
    if (extra != 0) *p = lead;
    Store(p + extra, word);
    Store(p + k, kEightZeros);
    return p + k + exponent;
  }
  const int whole = k + exponent;  // digits before the point
  if (whole > 0) {
    if (extra != 0) *p = lead;
    Store(p + extra, word);
    p[whole] = '.';
    Store(p + whole + 1, word >> (8 * (whole - extra)));
    return p + k + 1;
  }
  p[0] = '0';
  p[1] = '.';
  Store(p + 2, kEightZeros);
  Store(p + 10, kEightZeros);  // 15 zeros at most after the point
  char* const d = p + 2 - whole;
  if (extra != 0) *d = lead;
  Store(d + extra, word);
  return d + k;
}

// 2^exponent, for exponents a double holds as a normal number.
double PowerOfTwo(int exponent) {
  const uint64_t bits = static_cast<uint64_t>(1023 + exponent) << 52;
  double v;
  memcpy(&v, &bits, sizeof v);
  return v;
}

// The shortest digits of |value| = m x 2^-shift (shift from 0 to 43) as digits x 10^exponent;
// false if none were found (not met: nine digits always do).
bool ShortestDigits(float value, uint32_t fraction, int shift, uint32_t* digits, int* exponent) {
  const uint64_t m = fraction | 0x800000u;
  auto found = [&](uint32_t d, int e) {
    *digits = d;
    *exponent = e;
    return true;
  };
  if ((m & ((uint64_t{1} << shift) - 1)) == 0) {
    // A whole number below 2^24: its own digits are the shortest (any other number within
    // half a step of it is not whole, and a step is at most 1).
    return found(static_cast<uint32_t>(m >> shift), 0);
  }
  // The fewest decimals with a number between the edges of the values that read back as
  // this float (the halfway points to its neighbours, included when m is even); of two
  // such numbers, the nearer, and of two as near, the even one. A whole number is never
  // between the edges, so one decimal at least.
  //
  // Up to 11 decimals in doubles: the float and its edges times 10^decimals take no more
  // than 53 bits ((4m + 2) x 5^11 < 2^53), so every product and comparison is exact.
  const bool edgesRead = (m & 1) == 0;
  const double exactValue = std::fabs(static_cast<double>(value));
  const double halfStep = PowerOfTwo(-shift - 1);
  const double lowEdge = exactValue - (fraction == 0 ? halfStep / 2 : halfStep);
  const double highEdge = exactValue + halfStep;
  auto between = [edgesRead](double x, double lo, double hi) {
    return lo < x && x < hi ? true : (x == lo || x == hi) && edgesRead;
  };
  int tried = 0;  // decimals known to give no number between the edges
  if (fraction != 0) {
    // The edges lie as far below the float as above it, so if any whole number is between
    // them, the one nearest the float is: only that one is tried. Adding and taking away
    // 2^52 rounds to it (ties to even) in two short steps.
    constexpr double kRounder = 4503599627370496.0;  // 2^52
    for (; tried < kDoubleDecimals; ++tried) {
      const double scale = kTens[tried + 1];
      const double exact = exactValue * scale;
      if (exact >= kRounder) break;
      const double nearest = (exact + kRounder) - kRounder;
      if (between(nearest, lowEdge * scale, highEdge * scale))
        return found(static_cast<uint32_t>(nearest), -(tried + 1));
    }
  }
  for (int decimals = tried + 1; decimals <= kDoubleDecimals; ++decimals) {
    const double scale = kTens[decimals];
    const double lo = lowEdge * scale, hi = highEdge * scale;
    // The highest whole number up to the high edge: is it above the low edge?
    // (Tests of the edges first: they are rarely met, and the parity of m is past guessing.)
    int64_t top = static_cast<int64_t>(hi);
    if (static_cast<double>(top) == hi && !edgesRead) --top;
    if (!(static_cast<double>(top) > lo || (static_cast<double>(top) == lo && edgesRead))) continue;
    const double exact = exactValue * scale;
    const int64_t below = static_cast<int64_t>(exact);  // below 2^53: the whole part exactly
    const double rest = exact - static_cast<double>(below);
    const bool belowNearer = rest < 0.5 || (rest == 0.5 && (below & 1) == 0);
    const int64_t nearer = belowNearer ? below : below + 1;
    const int64_t farther = belowNearer ? below + 1 : below;
    const int64_t chosen = between(static_cast<double>(nearer), lo, hi) ? nearer : farther;
    return found(static_cast<uint32_t>(chosen), -decimals);
  }
  // More decimals (numbers below 0.01) in 128-bit whole numbers, in units of
  // 2^-(shift + 2): the float is 4m, its edges 4m - 2 (4m - 1 below a power of two, where the
  // float below is closer) and 4m + 2.
  const Wide lowUnits = 4 * Wide{m} - (fraction == 0 ? 1 : 2);
  const Wide highUnits = 4 * Wide{m} + 2;
  const Wide half = Wide{1} << (shift - 1);
  auto inside = [&](Wide digits, Wide scale) {
    const Wide at = digits << (shift + 2);
    const Wide lo = lowUnits * scale, hi = highUnits * scale;
    return edgesRead ? lo <= at && at <= hi : lo < at && at < hi;
  };
  Wide scale = static_cast<uint64_t>(kTens[kDoubleDecimals]);
  for (int decimals = kDoubleDecimals + 1; decimals <= kMostDecimals; ++decimals) {
    scale *= 10;
    const Wide exact = Wide{m} * scale;  // value x 10^decimals x 2^shift
    const Wide below = exact >> shift;
    const Wide rest = exact - (below << shift);
    if (rest == 0) return found(static_cast<uint32_t>(below), -decimals);
    const bool belowNearer = rest < half || (rest == half && (below & 1) == 0);
    const Wide nearer = belowNearer ? below : below + 1;
    const Wide farther = belowNearer ? below + 1 : below;
    if (inside(nearer, scale)) return found(static_cast<uint32_t>(nearer), -decimals);
    if (inside(farther, scale)) return found(static_cast<uint32_t>(farther), -decimals);
  }
  return false;
}

}  // namespace

char* WriteShortest(char* p, float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  const uint32_t biased = bits >> 23 & 0xff;
  const uint32_t fraction = bits & 0x7fffff;
  if (biased == 0 && fraction == 0) {
    if (bits >> 31 != 0) *p++ = '-';
    *p++ = '0';
    return p;
  }
  uint32_t digits;
  int exponent;
  if (biased < kLowestExponent || biased > kHighestExponent ||
      !ShortestDigits(value, fraction, static_cast<int>(kHighestExponent - biased), &digits, &exponent))
    return std::to_chars(p, p + kShortestFloatRoom, value).ptr;
  if (bits >> 31 != 0) *p++ = '-';
  while (digits % 10 == 0) {
    digits /= 10;
    ++exponent;
  }
  return Layout(p, digits, exponent);
}

}  // namespace vqm::replay
