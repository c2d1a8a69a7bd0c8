#include <new>

#include "platform/platform.h"

namespace vqm::platform {

std::recursive_mutex& LibraryLock() {
  // Built on first use in the library's own storage and never destroyed, so an export
  // called during unload still finds it, and nothing is left on the heap once the library
  // is unloaded.
  alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
  static std::recursive_mutex* lock = new (storage) std::recursive_mutex;
  return *lock;
}

}  // namespace vqm::platform
