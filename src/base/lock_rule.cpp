#include "base/lock_rule.h"

#include <cstdio>
#include <cstdlib>

namespace vqm {

LibraryLockName kLibraryLock;

int& LibraryLockDepth() {
  thread_local int depth = 0;
  return depth;
}

int WakeLeafLockRevokerThen(int result) {
  WakeLeafLockRevoker();
  return result;
}

void LockRuleBroken(const char* function) {
  fprintf(stderr, "%s called without the library-wide lock\n", function);
  abort();
}

}  // namespace vqm
