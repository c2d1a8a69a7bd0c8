#include "platform/platform.h"

namespace vqm::platform {

std::recursive_mutex& LibraryLock() {
  // Constructed on first use and never destroyed, so an export called during unload still
  // finds it.
  static std::recursive_mutex* lock = new std::recursive_mutex;
  return *lock;
}

}  // namespace vqm::platform
