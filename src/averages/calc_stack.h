// A fixed-length ring of single-precision values with one running average: simple
// (AddMA), exponential (AddEMA) or weighted by age (AddWgtAvg). Users read `value` and
// `filled` directly after each push. The stack owns its two buffers; pushes never allocate.
//
// Init must precede any push; Init always restarts the history (and zeroes the weights),
// reusing the buffers when the length is unchanged. Problems are logged under "CalcPack".
#pragma once

#include <cstdint>

namespace vqm {

constexpr int kMaxStackLength = 1000000;

class CCalcStack {
 public:
  CCalcStack() = default;
  ~CCalcStack() { Free(); }
  CCalcStack(const CCalcStack&) = delete;
  CCalcStack& operator=(const CCalcStack&) = delete;

  // 1 on success (also for a length of 0 or less, which leaves the stack uninitialised),
  // 0 on failure.
  int Init(int length);
  // Releases both buffers; weighted, filled, capacity and length become 0.
  void Free();

  // Each stores x and updates `value`: 1, or 0 when the stack is not initialised.
  int AddMA(float x);
  int AddEMA(float x);
  int AddWgtAvg(float x);
  // The push steps of AddMA alone, for an owner that keeps the ring's values in storage of
  // its own, sums them itself (in slot order, as AddMA does) and sets `value`: the ring's
  // slots are not written (they keep what they held), so a push touches the stack alone.
  // 1, or 0 when the stack is not initialised.
  int AdvanceMA(float x) { return Push(x, "AddMA: Stack not initialized", false) ? 1 : 0; }

  // Weight by age (index 0 is the newest value). 1 when stored, 0 when refused. Unless
  // `weighted` is 1, only the weight set last survives.
  int SetWeight(float weight, int index);

  uint32_t writePos = 0;  // ring slot the next value goes to (after the wrap test)
  uint32_t filled = 0;    // values held, 0 .. capacity
  uint32_t capacity = 0;  // ring slots
  int32_t length = 0;     // configured length; equals capacity after a successful Init
  float value = 0.0f;     // the current average
  float high = 0.0f;      // largest value pushed since the last Init
  float low = 0.0f;       // smallest value pushed since the last Init
  int32_t weighted = 0;   // 1: Init also allocates weights, SetWeight keeps the others
  float* items = nullptr;    // the ring; null: not initialised
  // Weights by age as set, `length` entries, or null; followed by the factors they stand for
  // (a positive weight itself, else 1), kept with them so that a push tests none.
  float* weights = nullptr;

 private:
  // The push steps common to the three averages; false when not initialised. Inline: it is
  // most of a short average's work.
  bool Push(float x, const char* notInitialisedMessage, bool store = true) {
    if (items == nullptr) {
      ReportNotInitialised(notInitialisedMessage);
      return false;
    }
    if (filled == 0) high = low = x;
    if (x > high) high = x;
    if (x < low) low = x;
    if (writePos >= capacity && capacity != 0) writePos = 0;
    if (store) items[writePos] = x;
    ++writePos;
    if (filled < capacity) ++filled;
    return true;
  }
  static void ReportNotInitialised(const char* message);

  // Sum of the weights of the `weightSumFilled_` newest values; 0: to be recomputed.
  float weightSum_ = 0.0f;
  uint32_t weightSumFilled_ = 0;
};

}  // namespace vqm
