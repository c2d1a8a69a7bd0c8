#include "testing/clock_reading.h"

namespace vqm::test {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

platform::CivilTime CivilFromUnix(int64_t t, int millisecond) {
  int64_t days = t / 86400;
  int64_t secs = t % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  platform::CivilTime c;
  c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2));
  c.hour = static_cast<int>(secs / 3600);
  c.minute = static_cast<int>(secs % 3600 / 60);
  c.second = static_cast<int>(secs % 60);
  c.millisecond = millisecond;
  return c;
}

}  // namespace

platform::ClockReading MakeReading(int year, int month, int day, int hour, int minute, int second,
                         int millisecond, int utcOffsetSeconds) {
  platform::ClockReading r;
  const int64_t localSeconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  r.unixSeconds = localSeconds - utcOffsetSeconds;
  r.local = CivilFromUnix(localSeconds, millisecond);
  r.utc = CivilFromUnix(r.unixSeconds, millisecond);
  return r;
}

}  // namespace vqm::test
