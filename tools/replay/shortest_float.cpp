#include "shortest_float.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "decimal_digits.h"

namespace vqm::replay {
namespace {

using Wide = unsigned __int128;

// Biased exponents of the floats found here: 2^-20 <= |v| < 2^24. Below, more decimals than
// the arithmetic has room for; above, whole numbers that are not exact.
constexpr uint32_t kLowestExponent = 127 - 20;
constexpr uint32_t kHighestExponent = 127 + 23;
// From 2^-9 (above 0.001) the plain form is never longer than the scientific one.
constexpr uint32_t kPlainLowestExponent = 127 - 9;
// Nine significant digits always read back, so 2^-20 needs no more than 16 decimals.
constexpr int kMostDecimals = 16;
constexpr int kDoubleDecimals = 11;
constexpr double kTens[kDoubleDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,
                                               1e6, 1e7, 1e8, 1e9, 1e10, 1e11};

// Adding and taking away 2^52 rounds a double below 2^52 to a whole number, ties to even.
constexpr double kRounder = 4503599627370496.0;

// The digits are put together in a 64-bit word, the first in the lowest byte, and stored
// whole: digits stored one by one and read back as a block would stall the processor.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "words are stored lowest byte first");

// The eight digits of n below 10^8 (leading zeros included), two lanes of four at a time.
inline __attribute__((always_inline)) uint64_t EightDigits(uint32_t n) {
  const uint64_t merged = (n / 10000) | (uint64_t{n % 10000} << 32);
  const uint64_t hundreds = ((merged * 10486) >> 20) & 0x0000007F0000007Full;  // lane / 100
  const uint64_t pairs = (merged - hundreds * 100) << 16 | hundreds;
  const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;  // lane / 10
  const uint64_t digits = (pairs - tens * 10) << 8 | tens;
  return digits + 0x3030303030303030ull;
}

void Store(char* p, uint64_t word) { memcpy(p, &word, sizeof word); }
void StoreWide(char* p, Wide word) { memcpy(p, &word, sizeof word); }

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

// The shortest digits of a float with a fraction that is not a power of two, from 2^-9 up:
// the float rounded to 6, 7, 8 and 9 significant digits in turn, and the first rounding that
// reads back. The edges lie half a step either side of the float and a step is less than a
// unit of the sixth digit, so when a number of k digits or fewer reads back, the nearest
// k-digit number does too (and no other 6-digit number). Nine digits always read back, so
// 11 decimals at most: every product is exact, (4m + 2) x 5^11 < 2^53.
struct Rounded {
  uint32_t digits;  // ending in zeros when fewer than six are enough
  int decimals;
  int count;  // digits to write: at least one before the point, zeros after it included
};
inline Rounded RoundedDigits(double exactValue, int binaryExponent, int shift, bool edgesRead) {
  // floor(log10 |value|): 1233 / 4096 is just below log10(2), and the guess is one short
  // when the float's power of two lies below a power of ten it reaches.
  int exponent = binaryExponent * 1233 >> 12;
  int decimals = 5 - exponent;  // for six digits
  double exact = exactValue * kTens[std::max(decimals, 0)];
  if (exact >= (decimals >= 0 ? 1e6 : kTens[exponent + 1])) {
    ++exponent;
    --decimals;
    exact = exactValue * kTens[std::max(decimals, 0)];
  }
  // From 10^6 up a float with a fraction needs more digits than its whole part.
  decimals = std::max(decimals, 0);
  double reach = PowerOfTwo(-shift - 1) * kTens[decimals];
  for (;;) {
    const double nearest = (exact + kRounder) - kRounder;
    const double distance = std::fabs(nearest - exact);
    if (distance < reach || (distance == reach && edgesRead) || decimals == kDoubleDecimals) {
      // The whole part's digits (a zero below 1) and the decimals. A rounding up to the next
      // power of ten never reads back: that power is a float of its own.
      const int count = std::max(exponent + 1, 1) + decimals;
      return Rounded{static_cast<uint32_t>(nearest), decimals, count};
    }
    ++decimals;
    exact *= 10;
    reach *= 10;
  }
}

// digits / 10^decimals written plainly without trailing zeros after the point, count digits
// (zeros before a fraction included) below 10^9 and decimals from 1 to 11: the form
// std::to_chars chooses for numbers with a fraction from 0.001 up (scientific is never
// shorter there).
char* PutPlain(char* p, uint32_t digits, int decimals, int count) {
  const int whole = count - decimals;
  if (count <= 8) {
    // The digits in one word, the first in the lowest byte, shifted into place: no byte
    // is stored and read back.
    const uint64_t all = EightDigits(digits);
    const uint64_t word = all >> (8 * (8 - count));
    Store(p, word);
    p[whole] = '.';
    Store(p + whole + 1, word >> (8 * whole));
    // Trailing zeros from the last digit, the highest byte.
    return p + count + 1 - __builtin_clzll(all - kEightZeros) / 8;
  }
  // Nine digits or more: right-aligned in a 128-bit word.
  const uint64_t low = EightDigits(digits % 100000000);
  const Wide all = Wide{low} << 64 | (kEightZeros + (uint64_t{digits / 100000000} << 56));
  StoreWide(p, all >> (8 * (16 - count)));
  p[whole] = '.';
  StoreWide(p + whole + 1, all >> (8 * (16 - decimals)));
  const uint64_t values = low - kEightZeros;
  const int zeros = values != 0 ? __builtin_clzll(values) / 8 : 8;
  return p + whole + 1 + decimals - zeros;
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
    // them, the one nearest the float is: only that one is tried.
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

// Every float the plain writer leaves: found by ShortestDigits and laid out, or left to
// std::to_chars. Kept apart so that the plain writer's path stays short.
__attribute__((noinline)) char* WriteAnyFloat(char* p, float value) {
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

}  // namespace

char* WriteShortest(char* p, float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  const uint32_t biased = bits >> 23 & 0xff;
  const uint32_t fraction = bits & 0x7fffff;
  // The usual numbers in plain form at once: whole numbers below 10^5 (never shorter in
  // scientific form) and numbers with a fraction from 2^-9 up, powers of two aside.
  if (biased >= kPlainLowestExponent && biased <= kHighestExponent) {
    const int shift = static_cast<int>(kHighestExponent - biased);
    const uint64_t m = fraction | 0x800000u;
    char* const q = p + (bits >> 31);
    *p = '-';
    if ((m & ((uint64_t{1} << shift) - 1)) == 0) {
      if ((m >> shift) < 100000) return PutWhole(q, static_cast<uint32_t>(m >> shift));
    } else if (fraction != 0) {
      const Rounded r = RoundedDigits(std::fabs(static_cast<double>(value)), static_cast<int>(biased) - 127,
                                      shift, (m & 1) == 0);
      return PutPlain(q, r.digits, r.decimals, r.count);
    }
  }
  return WriteAnyFloat(p, value);
}

}  // namespace vqm::replay
