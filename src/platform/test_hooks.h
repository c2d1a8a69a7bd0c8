// Replacements of platform services for tests. Nothing outside the platform layer and the
// tests includes this file; with no hook installed every service is the real one.
//
// REQUIRES: hooks are installed and removed while no export runs on another thread.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace vqm::platform::test {

// The clock seen by every caller of platform::Now(). An empty function restores the real one.
void SetClock(std::function<ClockReading()> clock);

// The host executable path seen by ExecutablePath(). An empty text restores the real one.
void SetExecutablePath(const std::string& path);

// The time-zone biases seen by ReadTimeZoneBiases(). An empty function restores the real one.
void SetTimeZoneBiases(std::function<TimeZoneBiases()> biases);

// Builds a reading whose local and UTC forms are the given civil time shifted by
// utcOffsetSeconds (local = UTC + offset).
ClockReading MakeReading(int year, int month, int day, int hour, int minute, int second,
                         int millisecond = 0, int utcOffsetSeconds = 0);

}  // namespace vqm::platform::test
