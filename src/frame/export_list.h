// The export table as a list, for code that walks every export by name (the tests that
// call the loaded library through function pointers). Keep in step with VQM_FUNC1.def.
#pragma once

#define VQM_EXPORT_LIST(X) \
  X(VQM_OnCreate)          \
  X(VQM_OnDestroy)         \
  X(VQM_F_PrcNorm)         \
  X(VQM_RareAvg)
