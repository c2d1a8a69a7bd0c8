// The error reporter of the buy/sell pressure manager.
#pragma once

#include <string>

namespace vqm {

// Builds "VQM_UT64 Error#<number> occured", followed by " - <message>" when a message is
// given and ": <data>" when data is given; logs it as "sendError: <text>" under "UTC" at
// level 3 and copies it, terminator included, into buffer (when there is one).
// REQUIRES: buffer holds the text; the script sizes it for the longest message and key.
// Returns the text.
std::string sendError(char* buffer, int number, const char* message, const char* data);

}  // namespace vqm
