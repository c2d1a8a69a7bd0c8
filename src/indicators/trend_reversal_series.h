// One trend-reversal series: the price measured against a ribbon of simple moving averages
// whose lengths run from `fast` to `slow` in equal steps.
//
// The series owns its averages and the history they share. Arithmetic is single
// precision in the order the measurement states. REQUIRES: one call at a time on a series (the
// export holds the library-wide lock; a series handle is used by one thread at a time).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "averages/calc_stack.h"
#include "base/prefetch.h"
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
  CTrendRevSym(const CTrendRevSym&) = delete;
  CTrendRevSym& operator=(const CTrendRevSym&) = delete;

  // Builds the empty ribbon: averages of lengths fast, fast + step, ... up to slow, with
  // step = (slow - fast) / steps (steps below 1 count as 10). When slow - fast is at least 0
  // but below steps the step is 1, so fast == slow gives one average; fast > slow gives none.
  // An average whose length the averaging engine refuses (0 or less, above 1000000) stays in
  // the ribbon, uninitialised: it reports every push and never contributes.
  // Throws std::bad_alloc when memory runs out.
  void BuildRibbon();

  // Pushes x into every average and measures x against the initialised ones. A NaN among
  // them leaves the ribbon without an order, so it counts as no width (status 0, outputs
  // 0). The result is written in place: returned, its status and position would travel in
  // one register, put together through memory, and the caller would wait for that.
  void Measure(float x, float factor, TrendRevResult& r);

  // Asks for the memory the next Measure reads (the averages, the history's window), so that
  // a series not used for a while waits for its lines together rather than one after another.
  void PrefetchForMeasure() const {
    PrefetchLines(averages_, static_cast<size_t>((count_ + 3) / 4) * sizeof(AverageQuad));
    if (history_ == nullptr) return;
    // At most a kilobyte of the window, which runs from the slot the push writes: the runs
    // start from its beginning.
    const size_t bytes = span_ * sizeof(float) < 1024 ? span_ * sizeof(float) : 1024;
    PrefetchLines(history_.get() + head_, bytes + sizeof(float));
  }

  // The same for the series object itself, before its keys are compared: the keys and the
  // history's place, in front of the averages (which PrefetchForMeasure asks for).
  void PrefetchObject() const {
    PrefetchLines(this, static_cast<size_t>(reinterpret_cast<const char*>(averages_) -
                                            reinterpret_cast<const char*>(this)));
  }

  std::string symbol;
  int barKey1 = 99;
  int barKey2 = 0;
  DateTime lastTime;
  int fast = 10;
  int slow = 120;
  int steps = 11;
  int exp = 0;  // averaging kind: always simple averages

 private:
  // Every average of the ribbon holds the newest values of the same stream, so one history
  // of the newest `span_` values (the longest length) holds every ring: the value of push m
  // sits in ring slot m mod length, and the ring's slots in order are two runs of the
  // history: the newest values from the one in slot 0 on, then the older ones. A ring's sum
  // adds them in that order, so it is the ring's sum to the bit; the sum of its newer slots
  // is the one before plus the value just written, and only the older ones are re-added.
  // The averages four to a block, each field side by side, so that a bar advances four at a
  // time: lengths, the ring slot of each newest value (length - 1 before the first push),
  // and the sums of slots 0 .. newest, in slot order.
  struct alignas(16) AverageQuad {
    uint32_t length[4];
    uint32_t newest[4];
    float newerSum[4];
  };
  // Steps 11 give at most 22 averages (slow - fast = 21, step 1), steps below 1 at most 20.
  // A multiple of four and of the twelve summed together.
  static constexpr int kMaxAverages = 24;

  // What a bar reads lies together, beside the keys the lookup compares: the history's
  // place, the averages and their order, then the history itself in one block.
  uint32_t span_ = 0;
  uint32_t head_ = 0;  // where the next push goes
  uint32_t held_ = 0;  // pushes so far, counted up to span_
  int count_ = 0;      // the initialised averages
  // Push m is stored at m mod span_ and again span_ further on: any run of up to span_
  // consecutive pushes then lies in one piece.
  std::unique_ptr<float[]> history_;
  // Per group of twelve averages, their numbers within the group ordered by the length of
  // their older run at the last bar, longest first: a bar mostly keeps that order. A group's
  // places past its averages hold the spare run's number.
  uint8_t order_[kMaxAverages] = {};
  // The initialised averages, shortest first; the blocks' places past them are averages of
  // length 1 that nothing reads.
  AverageQuad averages_[kMaxAverages / 4] = {};

  // The averages the engine refuses, kept to report each push as a refused AddMA.
  std::unique_ptr<CCalcStack[]> refused_;
  int refusedCount_ = 0;
};

}  // namespace vqm
