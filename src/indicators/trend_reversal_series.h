// One trend-reversal series: the price measured against a ribbon of simple moving averages
// whose lengths run from `fast` to `slow` in equal steps.
//
// The series owns its averages (and through them their buffers). Arithmetic is single
// precision in the order the measurement states. REQUIRES: one call at a time on a series (the
// export holds the library-wide lock; a series handle is used by one thread at a time).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "averages/calc_stack.h"
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
  ~CTrendRevSym();
  CTrendRevSym(const CTrendRevSym&) = delete;
  CTrendRevSym& operator=(const CTrendRevSym&) = delete;

  // Fills the empty ribbon with averages of lengths fast, fast + step, ... up to slow, with
  // step = (slow - fast) / steps (steps below 1 count as 10). When slow - fast is at least 0
  // but below steps the step is 1, so fast == slow gives one average; fast > slow gives none.
  // An average whose length Init refuses stays in the ribbon, uninitialised.
  // Throws std::bad_alloc when memory runs out (the averages built so far stay owned).
  void BuildRibbon();

  // Pushes x into every average and measures x against the initialised ones. A NaN among
  // them leaves the ribbon without an order, so it counts as no width (status 0, outputs
  // 0).
  TrendRevResult Measure(float x, float factor);

  std::string symbol;
  int barKey1 = 99;
  int barKey2 = 0;
  DateTime lastTime;
  int fast = 10;
  int slow = 120;
  int steps = 11;
  int exp = 0;            // averaging kind: always simple averages
  SPlainPtrArray ribbon;  // CCalcStack*, shortest first, each in averages_

 private:
  // The rings of the initialised averages again, side by side in groups of four: slot t of
  // the group's k-th average in lane k of lanes_[base + t]. Slots an average does not have stay
  // 0, and so do those it has not filled yet (as its own ring's). Four sums then advance in
  // the four lanes of one vector, each over its slots in order; adding 0 to a sum that
  // started at +0 changes no bit, so each lane ends with AddMA's sum.
  struct LaneGroup {
    size_t base;   // the group's slot 0 in lanes_
    int depth;     // slots of its longest average
    int members;   // averages in the group, 1 .. 4
    int first;     // ribbon index of the group's first average
  };
  void BuildLanes();
  // AddMA of x into every initialised average, its sum taken from the lanes.
  void AddToLanes(float x);

  std::unique_ptr<CCalcStack[]> averages_;  // the ribbon's averages, owned

  struct alignas(16) LaneSlot {
    float lane[4];
  };
  std::vector<LaneSlot> lanes_;
  std::vector<LaneGroup> laneGroups_;  // empty: the averages sum their own rings
};

}  // namespace vqm
