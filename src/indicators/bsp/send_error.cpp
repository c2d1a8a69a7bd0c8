#include "indicators/bsp/send_error.h"

#include <cstring>

#include "base/log.h"

namespace vqm {

std::string sendError(char* buffer, int number, const char* message, const char* data) {
  std::string text = "VQM_UT64 Error#" + std::to_string(number) + " occured";
  if (message != nullptr) text.append(" - ").append(message);
  if (data != nullptr) text.append(": ").append(data);
  LOGTRACE("UTC", 3, "sendError: %s", text.c_str());
  if (buffer != nullptr) std::memcpy(buffer, text.c_str(), text.size() + 1);
  return text;
}

}  // namespace vqm
