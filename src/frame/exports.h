// Every function the library exports, with the types a host script declares. Plain C
// names, the platform's standard 64-bit calling convention; floats pass as 32-bit floats.
#pragma once

#include <cstdint>

#include "frame/export_frame.h"
#include "frame/value_block.h"

struct HostScriptObject;
class CBSPSet;

extern "C" {

// Lifecycle: one function under two names; does nothing, returns 0.
int VQM_OnCreate(void);
int VQM_OnDestroy(void);

// Buy/sell pressure.
int VQM_BSP(const char* subKey, int keyNum1, int keyNum2, char* keyText, HostScriptObject* host,
            int notUsed);
int VQM_BSPCalc(CBSPSet* instance, float up, float down, int style, float* pressure);
// The instance VQM_BSP keeps for the same key arguments, as a 64-bit handle for VQM_BSPCalc;
// 0 when there is none yet.
int64_t VQM_BSPHandle(const char* subKey, int keyNum1, int keyNum2, const char* keyText);

// Statistical indicators.
float VQM_RareAvg(const char* symbol, int nScopeRegr, int nScopeWgt, float value, int date,
                  int time, int nRespFac, int diagnostic, int barType, int dayContinuity,
                  int barNumber);
int VQM_TrendReversal(int notUsed, const char* symbol, int date, int time, int barKey1,
                      int barKey2, float price, float widthFactor, int fast, int slow,
                      float* position, float* width);
int VQM_FindGemAdd(int notUsed, const char* symbol, int date, int time, int divisor, int* open,
                   int* high, int* low, int* close, int* volume, int mode);
int VQM_FindGemCalc(int notUsed, const char* symbol, int date, int time, int notUsed2,
                    float* fallBelowLow, float* riseAboveLow, float* riseAboveHigh,
                    float* fallBelowHigh);
int VQM_F_PrcNorm(float factor, int* v1, int* v2, int* v3, int* v4, int* v5);

// Data exchange files.
int VQM_SaveDataToCsv(int notUsed, const char* symbol, int date, int time, int divisor,
                      int* open, int* high, int* low, int* close, int* volume, int appendFlag);
int VQM_SaveDataToTxt(int notUsed, const char* symbol, int date, int time, int divisor,
                      int* open, int* high, int* low, int* close, int* volume, int closeOnly);
int VQM_SaveDataToCsv2(const char* symbol, ValueBlock* block, char* errorText);
int VQM_LoadCol(const char* fileName, ValueBlock* block, char* errorText);
int VQM_RTPM(const char* symbol, float value);
int VQM_ReadInt(const char* path);

// Alerts.
int VQM_Speak(const char* command, const char* text, int notUsed);
int VQM_TickSound(int notUsed, int note, int velocity, int program);
int VQM_IfRealtime(int value, int thresholdSeconds);

}  // extern "C"
