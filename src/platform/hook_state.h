// Storage of the test hooks, shared by the platform implementations. Private to platform/.
#pragma once

#include <functional>
#include <string>

#include "platform/platform.h"

namespace vqm::platform::detail {

struct HookState {
  std::function<ClockReading()> clock;
  std::string executablePath;
  std::function<TimeZoneBiases()> timeZoneBiases;
};

HookState& Hooks();

}  // namespace vqm::platform::detail
