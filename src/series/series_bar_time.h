// The host's bar date and time checked the way the series API needs: a value the date-time
// setter would refuse (and log) is refused here first, so that a series never logs.
#pragma once

#include "datetime/host_forms.h"

namespace vqm {

constexpr int kFirstHostDate = 900000;  // 1 January 1990 in the host's form
constexpr int kLastCalendarDate = 21551231;  // the last day the date-time's year byte holds

// True, with *barTime set, for a host date from 1990 on and a valid host time.
inline bool SeriesBarTime(int hostDate, int hostTime, DateTime* barTime) {
  const int date = CalendarDateOfHostDate(hostDate);
  if (hostDate < kFirstHostDate || !IsValidDateInt(date) || date > kLastCalendarDate)
    return false;
  if (!IsValidTimeInt(ClockTimeOfHostTime(hostTime))) return false;
  *barTime = HostBarTime(hostDate, hostTime);
  return true;
}

}  // namespace vqm
