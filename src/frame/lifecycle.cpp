#include "frame/exports.h"

// Scripts may call these when they start and end; no state depends on them. One function
// exported under two names.
VQM_EXPORT int VQM_OnCreate(void) { return 0; }
VQM_EXPORT int VQM_OnDestroy(void) __attribute__((alias("VQM_OnCreate")));
