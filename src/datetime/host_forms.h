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

// True for a host date and time that SetDateTime takes as they stand: a date from 1 January
// 1900 to 31 December 2155 and a time from 0000 to 2400 (no wrap-around, nothing to log).
inline bool IsPlainHostBarTime(int hostDate, int hostTime) {
  return static_cast<uint32_t>(hostDate) - 101u <= 2551231u - 101u &&
         static_cast<uint32_t>(hostTime) <= 2400u;
}

// The DateTime SetDateTime gives for such a date and time, straight from the host's digits
// (the century offsets cancel: (date + 19000000) / 10000 - 1900 is date / 10000), as its
// packed bytes (PackedBytes) and as the value.
// REQUIRES: IsPlainHostBarTime(hostDate, hostTime).
inline uint64_t PlainHostBarBytes(int hostDate, int hostTime) {
  const uint32_t d = static_cast<uint32_t>(hostDate), t = static_cast<uint32_t>(hostTime);
  uint64_t packed = PackFields(d / 10000, d / 100 % 100, d % 100, t / 100, t % 100, 0);
#if defined(__GNUC__)
  // Whole in one register: GCC otherwise keeps the halves apart, may spill the upper one
  // with a four-byte store and read it back with an eight-byte load, which stalls.
  __asm__("" : "+r"(packed));
#endif
  return packed;
}

// PlainHostBarBytes with the date's part kept from the call before: a chart's bars come a
// day at a time, so the date's divisions are done once a day.
class PlainHostBarBytesMemo {
 public:
  // REQUIRES: IsPlainHostBarTime(hostDate, hostTime).
  uint64_t operator()(int hostDate, int hostTime) {
    if (hostDate != date_) {
      date_ = hostDate;
      dateBytes_ = PlainHostBarBytes(hostDate, 0);
    }
    // The hour and minute bytes are 0 in the date's part: the two parts join by a bitwise or.
    const uint32_t t = static_cast<uint32_t>(hostTime);
    uint64_t packed = dateBytes_ | PackFields(0, 0, 0, t / 100, t % 100, 0);
#if defined(__GNUC__)
    __asm__("" : "+r"(packed));  // whole in one register, as above
#endif
    return packed;
  }

 private:
  int date_ = -1;  // no plain host date is below 101
  uint64_t dateBytes_ = 0;
};

inline DateTime PlainHostBarTime(int hostDate, int hostTime) {
  DateTime v;
  StorePackedBytes(v, PlainHostBarBytes(hostDate, hostTime));
  return v;
}

// A cleared DateTime set from the host's date and time. A date or time that SetDateTime
// refuses leaves its fields at 0 (a refused time: all fields).
inline DateTime HostBarTime(int hostDate, int hostTime) {
  if (IsPlainHostBarTime(hostDate, hostTime)) return PlainHostBarTime(hostDate, hostTime);
  DateTime t;
  t.SetDateTime(CalendarDateOfHostDate(hostDate), ClockTimeOfHostTime(hostTime));
  return t;
}

}  // namespace vqm
