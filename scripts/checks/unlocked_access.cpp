// Must NOT compile under clang with -Wthread-safety -Werror: it touches a series manager and
// calls a settings function without the library lock. scripts/fuzz.sh checks that the clang
// build still refuses it, so that the lock rule's static check cannot quietly switch off.
#include "base/settings.h"
#include "indicators/rare_avg_manager.h"

int TouchesGuardedStateUnlocked() {
  char path[vqm::kIniPathCapacity + 1];
  vqm::GetIniPath(path);
  return vqm::g_RareAvgMgr.GetSize();
}

int HoldsTheLock() {
  vqm::ExportLock lock;
  char path[vqm::kIniPathCapacity + 1];
  vqm::GetIniPath(path);
  return vqm::g_RareAvgMgr.GetSize();
}
