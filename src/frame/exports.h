// Every function the library exports, with the types a host script declares. Plain C
// names, the platform's standard 64-bit calling convention; floats pass as 32-bit floats.
// Each declaration names the file under src/ that defines the export.
#pragma once

#include <cstdint>

#include "frame/export_frame.h"
#include "frame/value_block.h"

struct HostScriptObject;
class CBSPSet;

extern "C" {

// Lifecycle: one function under two names; does nothing, returns 0.
// Defined in frame/lifecycle.cpp.
int VQM_OnCreate(void);
// Defined in frame/lifecycle.cpp.
int VQM_OnDestroy(void);

// Buy/sell pressure.
// Defined in indicators/bsp/bsp_binding.cpp.
int VQM_BSP(const char* subKey, int keyNum1, int keyNum2, char* keyText, HostScriptObject* host,
            int notUsed);
// Defined in indicators/bsp/bsp_calc.cpp.
int VQM_BSPCalc(CBSPSet* instance, float up, float down, int style, float* pressure);
// The instance VQM_BSP keeps for the same key arguments, as a 64-bit handle for VQM_BSPCalc;
// 0 when there is none yet.
// Defined in indicators/bsp/bsp_binding.cpp.
int64_t VQM_BSPHandle(const char* subKey, int keyNum1, int keyNum2, const char* keyText);

// Statistical indicators.
// Defined in indicators/rare_avg.cpp.
float VQM_RareAvg(const char* symbol, int nScopeRegr, int nScopeWgt, float value, int date,
                  int time, int nRespFac, int diagnostic, int barType, int dayContinuity,
                  int barNumber);
// Defined in indicators/trend_reversal.cpp.
int VQM_TrendReversal(int notUsed, const char* symbol, int date, int time, int barKey1,
                      int barKey2, float price, float widthFactor, int fast, int slow,
                      float* position, float* width);
// Defined in indicators/pattern_search.cpp.
int VQM_FindGemAdd(int notUsed, const char* symbol, int date, int time, int divisor, int* open,
                   int* high, int* low, int* close, int* volume, int mode);
// Defined in indicators/pattern_search.cpp.
int VQM_FindGemCalc(int notUsed, const char* symbol, int date, int time, int notUsed2,
                    float* fallBelowLow, float* riseAboveLow, float* riseAboveHigh,
                    float* fallBelowHigh);
// Defined in indicators/price_normalisation.cpp.
int VQM_F_PrcNorm(float factor, int* v1, int* v2, int* v3, int* v4, int* v5);

// Data exchange files.
// Defined in dataio/bar_export.cpp.
int VQM_SaveDataToCsv(int notUsed, const char* symbol, int date, int time, int divisor,
                      int* open, int* high, int* low, int* close, int* volume, int appendFlag);
// Defined in dataio/bar_export.cpp.
int VQM_SaveDataToTxt(int notUsed, const char* symbol, int date, int time, int divisor,
                      int* open, int* high, int* low, int* close, int* volume, int closeOnly);
// Defined in dataio/bar_export_block.cpp.
int VQM_SaveDataToCsv2(const char* symbol, ValueBlock* block, char* errorText);
// Defined in dataio/column_loader.cpp.
int VQM_LoadCol(const char* fileName, ValueBlock* block, char* errorText);
// Defined in dataio/quote_files.cpp.
int VQM_RTPM(const char* symbol, float value);
// Defined in dataio/integer_reader.cpp.
int VQM_ReadInt(const char* path);

// Alerts.
// Defined in alerts/speech.cpp.
int VQM_Speak(const char* command, const char* text, int notUsed);
// Defined in alerts/tick_player.cpp.
int VQM_TickSound(int notUsed, int note, int velocity, int program);
// Defined in alerts/realtime_latch.cpp.
int VQM_IfRealtime(int value, int thresholdSeconds);

}  // extern "C"
