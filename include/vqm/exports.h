/* The per-bar functions that VQM_FUNC1.DLL and libVQM_FUNC1.so export, for a C or C++
 * program that links the library (find_package(VQM) gives the target VQM::VQM_FUNC1) or
 * loads it by path. Plain C names and the platform's standard 64-bit calling convention;
 * floats pass as 32-bit floats. What each function computes and returns is in
 * docs/exports.md; how the indicators compute, in docs/indicators.md.
 *
 * REQUIRES: the series, histories and instances these functions keep are process-wide and
 * keyed by symbol; calls from several threads are serialised by the library. */
#ifndef VQM_EXPORTS_H
#define VQM_EXPORTS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The platform's scripting object (a COM interface) and a buy/sell pressure instance: only
 * passed through, never looked into by the caller. */
typedef struct HostScriptObject HostScriptObject;
typedef struct CBSPSet CBSPSet;
/* The script's value block: 8-byte slots, each with a 32-bit float in its first 4 bytes. */
typedef struct ValueBlock ValueBlock;

/* Lifecycle: one function under two names; does nothing, returns 0. */
int VQM_OnCreate(void);
int VQM_OnDestroy(void);

/* Buy/sell pressure. VQM_BSPHandle gives the instance that VQM_BSP set up for the same key
 * arguments (0 when there is none) for VQM_BSPCalc. */
int VQM_BSP(const char* subKey, int keyNum1, int keyNum2, char* keyText, HostScriptObject* host,
            int notUsed);
int VQM_BSPCalc(CBSPSet* instance, float up, float down, int style, float* pressure);
int64_t VQM_BSPHandle(const char* subKey, int keyNum1, int keyNum2, const char* keyText);

/* Statistical indicators. Dates are the platform's (year - 1900) * 10000 + month * 100 + day,
 * times HHMM. */
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

/* Data exchange files. */
int VQM_SaveDataToCsv(int notUsed, const char* symbol, int date, int time, int divisor,
                      int* open, int* high, int* low, int* close, int* volume, int appendFlag);
int VQM_SaveDataToTxt(int notUsed, const char* symbol, int date, int time, int divisor,
                      int* open, int* high, int* low, int* close, int* volume, int closeOnly);
int VQM_SaveDataToCsv2(const char* symbol, ValueBlock* block, char* errorText);
int VQM_LoadCol(const char* fileName, ValueBlock* block, char* errorText);
int VQM_RTPM(const char* symbol, float value);
int VQM_ReadInt(const char* path);

/* Alerts. */
int VQM_Speak(const char* command, const char* text, int notUsed);
int VQM_TickSound(int notUsed, int note, int velocity, int program);
int VQM_IfRealtime(int value, int thresholdSeconds);

#ifdef __cplusplus
}
#endif

#endif /* VQM_EXPORTS_H */
