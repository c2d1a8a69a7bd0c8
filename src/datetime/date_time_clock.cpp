// DateTime's clocks: the local wall clock and the US Eastern clock derived from UTC and the
// machine's time-zone settings. Read at each call; nothing is cached.
#include <climits>
#include <cstdint>

#include "datetime/date_time.h"
#include "platform/platform.h"

namespace vqm {
namespace {

constexpr int kEasternStandardOffsetMinutes = -300;  // UTC-5
constexpr int kOffsetWithoutSettings = kEasternStandardOffsetMinutes * 60;

void SetFromCivil(DateTime& v, const platform::CivilTime& c) {
  v.year = static_cast<uint8_t>(c.year - 1900);
  v.month = static_cast<uint8_t>(c.month);
  v.day = static_cast<uint8_t>(c.day);
  v.hour = static_cast<uint8_t>(c.hour);
  v.minute = static_cast<uint8_t>(c.minute);
  v.second = static_cast<uint8_t>(c.second);
}

}  // namespace

void DateTime::SetNowLocal() {
  const platform::ClockReading now = platform::Now();
  if (now.localValid) {
    SetFromCivil(*this, now.local);
    return;
  }
  // What the failed conversion leaves: year 0 - 108 in the byte, the rest unset.
  year = 148;
  month = day = 0;
  hour = minute = second = 255;
}

void DateTime::SetNowEST() {
  SetFromCivil(*this, platform::Now().utc);
  AddSeconds(EasternOffsetSeconds());
}

int EasternOffsetSeconds() {
  const platform::TimeZoneBiases tz = platform::ReadTimeZoneBiases();
  if (!tz.keyOpened) return kOffsetWithoutSettings;
  // A value that cannot be read is taken equal to the other one: no daylight shift.
  int64_t bias = tz.bias;
  int64_t activeBias = tz.activeTimeBias;
  if (!tz.hasBias) bias = tz.hasActiveBias ? activeBias : 0;
  if (!tz.hasActiveBias) activeBias = bias;
  // bias - activeBias is the daylight shift in force on this machine now (60 or 0).
  const int64_t seconds = (bias - activeBias + kEasternStandardOffsetMinutes) * 60;
  if (seconds > INT_MAX) return INT_MAX;
  if (seconds < INT_MIN) return INT_MIN;
  return static_cast<int>(seconds);
}

}  // namespace vqm
