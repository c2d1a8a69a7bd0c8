// One trend-reversal series: the price measured against a ribbon of simple moving averages
// whose lengths run from `fast` to `slow` in equal steps.
//
// The series owns its averages (and through them their buffers). Arithmetic is single
// precision in the order the measurement states. REQUIRES: the library-wide lock.
#pragma once

#include <string>

#include "containers/ptr_array.h"
#include "datetime/date_time.h"

namespace vqm {

// What one bar's measurement gives.
struct TrendRevResult {
  // 0 inside the ribbon, or the ribbon has no width yet (position and width 0);
  // 1 below the lowest average; 2 above the highest; -1 no average is initialised.
  int status = 0;
  float position = 0.0f;  // -100 .. 100 in steps of 25
  float width = 0.0f;     // factor x ribbon width relative to its lowest average, in 1/10000
};

class CTrendRevSym {
 public:
  static constexpr const char* kVersion = "1.2c";

  CTrendRevSym() = default;
  ~CTrendRevSym();  // deletes every average of the ribbon
  CTrendRevSym(const CTrendRevSym&) = delete;
  CTrendRevSym& operator=(const CTrendRevSym&) = delete;

  // Fills the empty ribbon with averages of lengths fast, fast + step, ... up to slow, with
  // step = (slow - fast) / steps (steps below 1 count as 10). When slow - fast is at least 0
  // but below steps the step is 1, so fast == slow gives one average; fast > slow gives none.
  // An average whose length Init refuses stays in the ribbon, uninitialised.
  // Throws std::bad_alloc when memory runs out (the averages built so far stay owned).
  void BuildRibbon();

  // Pushes x into every average and measures x against the initialised ones. `values` is
  // a reusable list for the collected averages (emptied first). A NaN among them leaves
  // the ribbon without an order, so it counts as no width (status 0, outputs 0).
  TrendRevResult Measure(float x, float factor, SFltArray& values);

  std::string symbol;
  int barKey1 = 99;
  int barKey2 = 0;
  DateTime lastTime;
  int fast = 10;
  int slow = 120;
  int steps = 11;
  int exp = 0;            // averaging kind: always simple averages
  SPlainPtrArray ribbon;  // owned CCalcStack*, shortest first
};

}  // namespace vqm
