#include "alerts/realtime_latch.h"

#include "frame/exports.h"

// The recorded value once recorded, otherwise -1.
VQM_EXPORT int VQM_IfRealtime(int value, int thresholdSeconds) {
  return vqm::ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    vqm::RealtimeLatch& latch = vqm::g_RealtimeLatch;
    if (latch.recorded > 0) return latch.recorded;
    if (latch.start.IsEmpty()) latch.start.SetNowLocal();
    const int elapsed = latch.start.SecondsUntil(nullptr);
    // A value of 0 or less records nothing, so a later call may still record.
    if (elapsed > thresholdSeconds && value > 0) latch.recorded = value;
    return latch.recorded;
  });
}
