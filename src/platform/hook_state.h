// Storage of the test hooks, shared by the platform implementations. Private to platform/.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"

namespace vqm::platform::detail {

struct HookState {
  std::function<ClockReading()> clock;
  std::string executablePath;
  std::function<TimeZoneBiases()> timeZoneBiases;
  std::function<int32_t()> comInitialize;
  std::function<void(const char* caption, const char* text, unsigned iconFlags)> messageBox;
};

HookState& Hooks();

}  // namespace vqm::platform::detail
