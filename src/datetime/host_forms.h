// Bar dates and times as the host passes them, turned into the library's DateTime.
//
// The host's date counts the year from 1900 (15 March 2024 is 1240315) and its time is HHMM.
// Adding 19000000 and multiplying by 100 wrap around in 32 bits, as the processor does, so a
// wild argument gives a date or time that SetDateTime refuses (and logs) instead of undefined
// arithmetic.
#pragma once

#include <cstdint>

#include "datetime/date_time.h"

namespace vqm {

// YYYYMMDD of a host date.
inline int CalendarDateOfHostDate(int hostDate) {
  return static_cast<int>(static_cast<uint32_t>(hostDate) + 19000000u);
}

// HHMMSS of a host time HHMM.
inline int ClockTimeOfHostTime(int hostTime) {
  return static_cast<int>(static_cast<uint32_t>(hostTime) * 100u);
}

// A cleared DateTime set from the host's date and time. A date or time that SetDateTime
// refuses leaves its fields at 0 (a refused time: all fields).
inline DateTime HostBarTime(int hostDate, int hostTime) {
  DateTime t;
  t.SetDateTime(CalendarDateOfHostDate(hostDate), ClockTimeOfHostTime(hostTime));
  return t;
}

}  // namespace vqm
