// Clock readings for a driven clock.
#pragma once

#include "platform/platform.h"

namespace vqm::test {

// Builds a reading whose local and UTC forms are the given civil time shifted by
// utcOffsetSeconds (local = UTC + offset).
platform::ClockReading MakeReading(int year, int month, int day, int hour, int minute,
                                   int second, int millisecond = 0, int utcOffsetSeconds = 0);

}  // namespace vqm::test
