// VQM_BSP: finds or creates the chart's instance, binds it to the script's arrBSP and the
// up-tick and down-tick series, reads the parameters and restarts the averages when the
// script starts again from an earlier bar. VQM_BSPHandle: the instance of a key, for
// VQM_BSPCalc.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/log.h"
#include "base/printf_format.h"
#include "frame/exports.h"
#include "indicators/bsp/bsp_manager.h"
#include "indicators/bsp/host_calls.h"
#include "indicators/bsp/send_error.h"

namespace vqm {
namespace {

constexpr const char* kCategory = "BSPMgr";
constexpr const char* kArrayName = "arrBSP";
constexpr int kDataStream = 255;
constexpr int kKeyCapacity = 1008;  // longer keys are cut to 1007 characters
constexpr int kMinArrayLength = 10;
constexpr const char* kVersion = "1.2b";
constexpr const char* kBuildDate = "Nov 16 2015";
constexpr const char* kBuildTime = "12:20:12";

// Refusal of a null host object: distinct from every result the manager gives otherwise.
constexpr int kNullHostError = 10;

using Key = char[kKeyCapacity];

// "<keyText>/<subKey>/<keyNum1>/<keyNum2>"; a null text reads "(null)". Made twice a bar
// (the binding and the handle), so without the C library's formatter.
void BuildKey(Key& key, const char* keyText, const char* subKey, int keyNum1, int keyNum2) {
  PrintfInto(key, sizeof key, "%s/%s/%d/%d", keyText != nullptr ? keyText : "(null)",
             subKey != nullptr ? subKey : "(null)", keyNum1, keyNum2);
}

// a + b - 1 as the host's 32-bit arithmetic gives it, wrapping instead of overflowing.
int AbsoluteBar(int barNumber, int maxBarsBack) {
  const int64_t sum = static_cast<int64_t>(barNumber) + maxBarsBack - 1;
  return static_cast<int>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));
}

// A parameter element as a number truncated toward zero; NaN reads 0 and values beyond the
// int range read as its nearest end.
int TruncateTowardZero(float f) {
  if (std::isnan(f)) return 0;
  if (f >= 2147483647.0f) return INT_MAX;
  if (f <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(f);
}

// The array must be one-dimensional with room for the parameters; 0 or the error's result.
int CheckParameterArray(HostArrayObject* array, char* keyText) {
  if (host::QueryDimensionCount(array) != 1) {
    sendError(keyText, 7, "arrBSP dimensions wrong", nullptr);
    return -7;
  }
  if (host::QueryDimensionLength(array, 0) < kMinArrayLength) {
    sendError(keyText, 8, "arrBSP Size wrong", nullptr);
    return -8;
  }
  return 0;
}

// Binds the instance to the host objects it still lacks; 0 or the error's result.
int BindHostObjects(CBSPSet* inst, HostScriptObject* script, const char* key, char* keyText) {
  if (inst->arrayObj == nullptr) {
    HostArrayObject* array = host::FindNamedArray(script, kArrayName);
    LOGTRACE(kCategory, 1, "pELVal=" PTR_FMT " (ID=%s)", PtrArg(array), key);
    if (array == nullptr) {
      sendError(keyText, 6, "arrBSP missing", nullptr);
      return -6;
    }
    const int checked = CheckParameterArray(array, keyText);
    if (checked != 0) return checked;
    inst->arrayObj = array;
  }
  if (inst->upTicksObj == nullptr) {
    inst->upTicksObj = host::OpenUpTickSeries(script, kDataStream);
    if (inst->upTicksObj == nullptr) {
      sendError(keyText, 3, "UpTicks missing", nullptr);
      return -3;
    }
  }
  if (inst->downTicksObj == nullptr) {
    inst->downTicksObj = host::OpenDownTickSeries(script, kDataStream);
    if (inst->downTicksObj == nullptr) {
      sendError(keyText, 4, "DownTicks missing", nullptr);
      return -4;
    }
  }
  return 0;
}

// The guarded steps of VQM_BSP. inst receives the instance as soon as it is known, for the
// failure report.
int SetUpInstance(const char* subKey, int keyNum1, int keyNum2, char* keyText,
                  HostScriptObject* script, CBSPSet*& inst) VQM_REQUIRES_LIBRARY_LOCK {
  Key key;
  BuildKey(key, keyText, subKey, keyNum1, keyNum2);
  const int index = g_BSPMgr.FindOrAddInstance(key);
  if (index < 0) {
    sendError(keyText, 1, "BSP Initialization Error", key);
    return -1;
  }
  inst = g_BSPMgr.GetAtOrNull(index);
  if (inst == nullptr) {
    sendError(keyText, 1, "BSP Get Instance Error", key);
    return -1;
  }
  inst->FetchHeadersAhead();
  const int bound = BindHostObjects(inst, script, key, keyText);
  if (bound != 0) return bound;

  const int barNumber = host::QueryBarNumber(script, kDataStream);
  const int bar = AbsoluteBar(barNumber, host::QueryMaxBarsBack(script));
  int parameters[3];  // AvgLen, VolLen, Style: elements 2, 3 and 4
  for (int k = 2; k <= 4; ++k) {
    host::SelectElement(inst->arrayObj, 0, k);
    parameters[k - 2] = TruncateTowardZero(host::ReadSelectedElement(inst->arrayObj, 0));
  }
  const int avgLen = parameters[0], volLen = parameters[1], style = parameters[2];

  // The first call, or the script started again from an earlier bar. The parameters take
  // effect only here.
  if (inst->lastBar < 0 || inst->lastBar > bar) {
    LOGTRACE(kCategory, 1,
             "Starting BSP Manager (Ver=%s %s %s) for ID=%s, Bar=%d -> %d, AvgLen=%d, "
             "VolLen=%d, Style=%d",
             kVersion, kBuildDate, kBuildTime, key, inst->lastBar, bar, avgLen, volLen, style);
    inst->Restart(avgLen, volLen);
  }
  inst->lastBar = bar;
  inst->FetchRingsAhead();
  if (subKey == nullptr) return -2;
  // Made on every bar: not formatted when the log would drop it.
  if (!LogDropsLines())
    LOGTRACE(kCategory, 1, "VQM_BSPCalc1 pBSP=" PTR_FMT " ELVal=" PTR_FMT, PtrArg(inst),
             PtrArg(inst->arrayObj));
  return 0;
}

// The diagnostic line after a failure; dropped when the host fails these calls too.
void LogBarNumbers(HostScriptObject* script) {
  RunGuarded(
      [&] {
        const int maxBarsBack = host::QueryMaxBarsBack(script);
        const int barNumber = host::QueryBarNumber(script, kDataStream);
        LOGTRACE(kCategory, 1, "TEST: MaxBarsBack=%d, MnBarNbr=%d", maxBarsBack,
                 AbsoluteBar(barNumber, maxBarsBack));
      },
      nullptr, 0);
}

}  // namespace
}  // namespace vqm

// Results: 0 ready; -1 no instance; -2 null subKey (instance set up all the same); -3 / -4 no
// up-tick / down-tick series; -6 no arrBSP; -7 arrBSP not one-dimensional; -8 arrBSP shorter
// than 10; -9 an exception was caught; -10 null host object. keyText receives the error
// text of the results -1, -3 to -8 and -10.
VQM_EXPORT int VQM_BSP(const char* subKey, int keyNum1, int keyNum2, char* keyText,
                       HostScriptObject* host, int /*notUsed*/) {
  using namespace vqm;
  ExportLock lock;
  CBSPSet* inst = nullptr;
  int result = -9;
  char error[kErrorTextCapacity];
  const Caught caught = RunGuarded(
      [&]() VQM_REQUIRES_LIBRARY_LOCK {
        if (host == nullptr) {
          sendError(keyText, kNullHostError, "Host object missing", nullptr);
          result = -kNullHostError;
          return;
        }
        result = SetUpInstance(subKey, keyNum1, keyNum2, keyText, host, inst);
      },
      error, sizeof error);
  if (caught == Caught::kNone) return result;
  if (caught == Caught::kOther) {
    // Most likely a failed host call: forget the host objects so the next call looks them
    // up again.
    snprintf(error, sizeof error, "Internal Error occured (g_BSPMgr=" PTR_FMT ", pBSP=" PTR_FMT ")",
             PtrArg(&g_BSPMgr), PtrArg(inst));
    if (inst != nullptr) {
      inst->arrayObj = nullptr;
      inst->upTicksObj = nullptr;
      inst->downTicksObj = nullptr;
    }
  }
  LOGTRACE(kCategory, 1, "%s", error);
  if (host != nullptr) LogBarNumbers(host);
  return -9;
}

// The instance of the key that VQM_BSP builds from the same arguments, as a handle for
// VQM_BSPCalc; 0 when VQM_BSP has not yet been called for that key.
VQM_EXPORT int64_t VQM_BSPHandle(const char* subKey, int keyNum1, int keyNum2,
                                 const char* keyText) {
  using namespace vqm;
  return ExportFrame<int64_t>(0, [&]() VQM_REQUIRES_LIBRARY_LOCK -> int64_t {
    Key key;
    BuildKey(key, keyText, subKey, keyNum1, keyNum2);
    const int index = g_BSPMgr.FindInstance(key);
    if (index < 0) return 0;
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(g_BSPMgr.GetAt(index)));
  });
}
