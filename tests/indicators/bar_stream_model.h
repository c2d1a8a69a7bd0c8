// What the trend-reversal and pattern-search tests share: a bar's date-time worked out from
// the host's date and time the plain way, host dates for a run of test days, and float bits.
#pragma once

#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/float_bits.h"

namespace vqm::test {

// Year - 1900, month, day, hour, minute, second; ordered as an array is ordered.
using BarFields = std::array<int, 6>;

// The host's date (year counted from 1900) and HHMM, read the way the library's date-time
// setter reads YYYYMMDD and HHMMSS: range checks only, 32-bit arithmetic that wraps. A
// refused time leaves every field 0, a refused date (also beyond 2155) the date fields.
inline BarFields ModelBarTime(int hostDate, int hostTime) {
  BarFields f{};
  const uint32_t hhmmss = static_cast<uint32_t>(hostTime) * 100u;
  if (hhmmss > 240000u) return f;
  f[3] = static_cast<int>(hhmmss / 10000);
  f[4] = static_cast<int>(hhmmss % 10000 / 100);
  f[5] = static_cast<int>(hhmmss % 100);
  const uint32_t ymd = static_cast<uint32_t>(hostDate) + 19000000u;
  if (ymd < 19000101u || ymd > 21551231u) return f;
  f[0] = static_cast<int>(ymd / 10000 - 1900);
  f[1] = static_cast<int>(ymd % 10000 / 100);
  f[2] = static_cast<int>(ymd % 100);
  return f;
}

inline bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// YYYYMMDD of a real calendar date and time of day, else 0.
inline int ModelCalendarDay(const BarFields& f) {
  static const int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int year = f[0] + 1900;
  if (f[1] < 1 || f[1] > 12) return 0;
  const int days = kDays[f[1]] + (f[1] == 2 && IsLeapYear(year) ? 1 : 0);
  if (f[2] < 1 || f[2] > days || f[3] > 23 || f[4] > 59 || f[5] > 59) return 0;
  return year * 10000 + f[1] * 100 + f[2];
}

// Host date of the n-th test day: 28 days a month from January 2020 on, so every one is a
// real date.
inline int HostDateOfDay(int n) {
  return (120 + n / (12 * 28)) * 10000 + (n / 28 % 12 + 1) * 100 + n % 28 + 1;
}
// HHMM of the n-th minute of a day.
inline int HostTimeOfMinute(int n) { return n / 60 * 100 + n % 60; }

// Equal ignoring case, same length: how the library compares symbols.
inline bool SameSymbol(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace vqm::test
