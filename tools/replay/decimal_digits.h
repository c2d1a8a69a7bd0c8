// Whole numbers as decimal digits, for the replay CSV's writers: two digits at a time from a
// table of pairs, the count of digits from the bit length.
#pragma once

#include <cstdint>
#include <cstring>

namespace vqm::replay {

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline constexpr uint32_t kPowersOfTen[10] = {1,      10,      100,      1000,      10000,
                                              100000, 1000000, 10000000, 100000000, 1000000000};

// From the bit length: 1233 / 4096 is just above log10(2).
inline int DigitCount(uint32_t n) {
  const int log2 = 31 - __builtin_clz(n | 1);
  const int guess = (log2 + 1) * 1233 >> 12;
  return guess + (n >= kPowersOfTen[guess] ? 1 : 0);
}

// Writes the last count digits of n backwards, ending at end; returns what is left of n.
inline uint32_t PutDigitsBefore(char* end, uint32_t n, int count) {
  for (; count >= 2; count -= 2, n /= 100) {
    end -= 2;
    memcpy(end, kDigitPairs + 2 * (n % 100), 2);
  }
  if (count == 1) {
    end[-1] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return n;
}

// n's digits at p; returns their end.
inline char* PutWhole(char* p, uint32_t n) {
  if (n < 10) {
    *p = static_cast<char>('0' + n);
    return p + 1;
  }
  char* const end = p + DigitCount(n);
  PutDigitsBefore(end, n, static_cast<int>(end - p));
  return end;
}

// v as std::to_chars writes it.
inline char* PutInt(char* p, int32_t v) {
  *p = '-';
  const uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
  return PutWhole(p + (v < 0 ? 1 : 0), magnitude);
}

}  // namespace vqm::replay
