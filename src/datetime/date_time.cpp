#include "datetime/date_time.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "base/log.h"

namespace vqm {
namespace {

constexpr int kDaysInMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int kSecondsPerDay = 86400;
constexpr int kLastYearField = 255;  // 2155: the last year the year byte holds

// The fields in chronological order of significance.
constexpr uint8_t DateTime::*kFields[6] = {&DateTime::year, &DateTime::month,
                                           &DateTime::day,  &DateTime::hour,
                                           &DateTime::minute, &DateTime::second};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int ClampToInt(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

int SecondsBetween(const DateTime& from, const DateTime& to) {
  if (from.Compare(to, 6) == 0) return 0;
  const int64_t seconds =
      static_cast<int64_t>(to.DayNumber() - from.DayNumber()) * kSecondsPerDay +
      to.SecondsOfDay() - from.SecondsOfDay();
  return ClampToInt(seconds);
}

// Steps the date one day at a time. Returns false when it stopped at 1 January 1900 or
// 31 December 2155 rather than wrap the year byte.
bool StepDays(DateTime& v, int64_t days) {
  for (int64_t n = days; n > 0; --n) {
    const int next = v.day + 1;
    if (next <= DaysInMonth(v.GetYear(), v.month)) {
      v.day = static_cast<uint8_t>(next);
      continue;
    }
    if (v.month + 1 > 12) {
      if (v.year == kLastYearField) return false;
      v.month = 1;
      ++v.year;
    } else {
      ++v.month;
    }
    v.day = 1;
  }
  for (int64_t n = days; n < 0; ++n) {
    if (v.day - 1 > 0) {
      --v.day;
      continue;
    }
    if (v.month - 1 <= 0) {
      if (v.year == 0) return false;
      v.month = 12;
      --v.year;
    } else {
      --v.month;
    }
    v.day = static_cast<uint8_t>(DaysInMonth(v.GetYear(), v.month));
  }
  return true;
}

}  // namespace

int IsValidDateInt(int date) {
  const unsigned v = static_cast<unsigned>(date);
  return v >= 19000101u && v <= 29991231u ? 1 : 0;
}

int IsValidTimeInt(int time) { return static_cast<unsigned>(time) <= 240000u ? 1 : 0; }

int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

int DaysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return kDaysInMonth[month] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DateTime::IsEmpty() const {
  return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0 ? 1 : 0;
}

int DateTime::IsValid() const {
  if (month < 1 || month > 12) return 0;
  if (day < 1 || day > DaysInMonth(GetYear(), month)) return 0;
  return hour <= 23 && minute <= 59 && second <= 59 ? 1 : 0;
}

int DateTime::SetTimeOfDay(int seconds) {
  hour = static_cast<uint8_t>(seconds / 3600);
  minute = static_cast<uint8_t>(seconds % 3600 / 60);
  second = static_cast<uint8_t>(seconds % 60);
  return 0;
}

int DateTime::SetDateTime(int date, int time) {
  if (!IsValidTimeInt(time)) {
    LOGTRACE("DateTime", 0, "Invalid Time: %d", time);
    return -2;
  }
  const uint8_t h = static_cast<uint8_t>(time / 10000);
  const uint8_t mi = static_cast<uint8_t>(time % 10000 / 100);
  const uint8_t s = static_cast<uint8_t>(time % 100);
  // A year beyond the year byte is refused like any other bad date, never wrapped.
  if (!IsValidDateInt(date) || date / 10000 - 1900 > kLastYearField) {
    hour = h;
    minute = mi;
    second = s;
    LOGTRACE("DateTime", 0, "Invalid Date: %d", date);
    return -1;
  }
  StorePackedFields(*this, static_cast<uint32_t>(date / 10000 - 1900),
                    static_cast<uint32_t>(date % 10000 / 100), static_cast<uint32_t>(date % 100),
                    h, mi, s);
  return 0;
}

int DateTime::ToDateInt(int mode) const {
  if (mode >= 0 && !IsValid()) return 0;
  const int hostMode = mode < 0 ? -1 : 1;
  const int y = mode == hostMode ? year : GetYear();
  return y * 10000 + month * 100 + day;
}

void DateTime::AddDays(int days) { StepDays(*this, days); }

void DateTime::AddSeconds(int seconds) {
  int64_t t = static_cast<int64_t>(SecondsOfDay()) + seconds;
  int64_t days = 0;
  if (t < 0) {
    const int64_t k = (-1 - t) / kSecondsPerDay + 1;
    t += k * kSecondsPerDay;
    days = -k;
  }
  if (t >= kSecondsPerDay) {
    days += t / kSecondsPerDay;
    t %= kSecondsPerDay;
  }
  SetTimeOfDay(static_cast<int>(t));
  // At an end of the range the value holds at its first or last second.
  if (days != 0 && !StepDays(*this, days)) SetTimeOfDay(days > 0 ? kSecondsPerDay - 1 : 0);
}

int DateTime::Compare(const DateTime& other, int depth) const {
  const int fields = depth >= 1 && depth <= 5 ? depth : 6;
  for (int i = 0; i < fields; ++i) {
    const uint8_t mine = this->*kFields[i];
    const uint8_t theirs = other.*kFields[i];
    if (mine != theirs) return mine < theirs ? -1 : 1;
  }
  return 0;
}

int DateTime::Compare(const DateTime* other, int depth) const {
  if (other != nullptr) return Compare(*other, depth);
  DateTime now;
  now.SetNowLocal();
  return Compare(now, depth);
}

int DateTime::DayNumber() const {
  int y = GetYear();
  int m = month;
  const int d = day;
  if (y < 0) y = y + 1;
  const double w = y <= 0 ? 0.75 : 0.0;
  if (m <= 2) {
    y = y - 1;
    m = m + 12;
  }
  int g = 0;
  // The Gregorian reform: 15 October 1582.
  if (static_cast<double>(m) * 100.0 + static_cast<double>(y) * 10000.0 + d >= 15821015.0) {
    const int q = y / 100;
    g = 2 - q + q / 4;
  }
  const int monthDays = static_cast<int>(std::trunc(30.6001 * static_cast<double>(m + 1)));
  const int yearDays = static_cast<int>(std::trunc(w - 365.25 * static_cast<double>(y)));
  return monthDays - yearDays + g + d + 1720995;
}

int DateTime::SecondsUntil(const DateTime& other) const {
  if (other.IsEmpty()) return SecondsUntil(nullptr);
  return SecondsBetween(*this, other);
}

int DateTime::SecondsUntil(const DateTime* other) const {
  if (other != nullptr && !other->IsEmpty()) return SecondsBetween(*this, *other);
  DateTime now;
  now.SetNowLocal();
  return SecondsBetween(*this, now);
}

}  // namespace vqm
