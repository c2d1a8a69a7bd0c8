// The private-profile reader and writer of POSIX builds, behind the default Env's
// ProfileRead and ProfileWrite (contracts in platform.h). Private to platform/posix.
#pragma once

namespace vqm::platform::detail {

int PosixProfileRead(const char* section, const char* key, const char* defaultValue,
                     char* buffer, int size, const char* file);
int PosixProfileWrite(const char* section, const char* key, const char* value,
                      const char* file);

}  // namespace vqm::platform::detail
