// The export table as a list, for code that walks every export by name (the tests that
// call the loaded library through function pointers). Keep in step with VQM_FUNC1.def.
#pragma once

#define VQM_EXPORT_LIST(X) \
  X(VQM_OnCreate)          \
  X(VQM_OnDestroy)         \
  X(VQM_BSP)               \
  X(VQM_BSPCalc)           \
  X(VQM_BSPHandle)         \
  X(VQM_RareAvg)           \
  X(VQM_TrendReversal)     \
  X(VQM_FindGemAdd)        \
  X(VQM_FindGemCalc)       \
  X(VQM_F_PrcNorm)         \
  X(VQM_SaveDataToCsv)     \
  X(VQM_SaveDataToTxt)     \
  X(VQM_SaveDataToCsv2)    \
  X(VQM_LoadCol)           \
  X(VQM_RTPM)              \
  X(VQM_ReadInt)           \
  X(VQM_Speak)             \
  X(VQM_TickSound)         \
  X(VQM_IfRealtime)
