// A fixed-length ring of single-precision values with one running average: simple
// (AddMA), exponential (AddEMA) or weighted by age (AddWgtAvg). Users read `value` and
// `filled` directly after each push. The stack owns its two buffers; pushes never allocate.
//
// Init must precede any push; Init always restarts the history (and zeroes the weights),
// reusing the buffers when the length is unchanged. Problems are logged under "CalcPack".
#pragma once

#include <cstddef>
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
  // AddMA to the bit, for an owner that keeps slotSums (capacity floats): the sums of slots
  // 0 .. k in slot order, for k up to the newest value. A push re-adds them only from the
  // slot it writes, the same additions in the same order as summing the ring again. Inline:
  // the pressure makes it on every bar.
  int AddMAKeepingSums(float x, float* slotSums) {
    if (!Push(x, "AddMA: Stack not initialized")) return 0;
    SumFromNewestSlot(slotSums);
    return 1;
  }
  // The same for a stack known to be initialised (`items` not null): nothing on the way
  // calls out, so the caller's values stay in registers.
  [[gnu::always_inline]] void AddMAKeepingSumsReady(float x, float* slotSums) {
    if (__builtin_expect(filled == capacity, 1))
      StoreInFullRing(x);
    else
      Store(x);
    SumFromNewestSlot(slotSums);
  }
  // The same for a stack whose ring is known to be full (filled == capacity).
  [[gnu::always_inline]] void AddMAKeepingSumsInFullRing(float x, float* slotSums) {
    // The slot handed on rather than read back from writePos: the inlined push then keeps
    // few enough values at once that its caller saves no register.
    SumFromSlot(StoreInFullRing(x), slotSums);
  }
  // AddEMA to the bit, for an owner that keeps its factor: `factor` must be
  // EmaFactor(length). Inline: the pressure makes two on every bar.
  int AddEMAWithFactor(float x, float factor) {
    if (!Push(x, "AddEMA: Stack not initialized")) return 0;
    AdvanceExponential(x, factor);
    return 1;
  }
  // The same for a stack known to be initialised (`items` not null) with a length of 2 or
  // more: once its ring is full, a push then needs none of the tests of the warm-up.
  [[gnu::always_inline]] void AddEMAReady(float x, float factor) {
    if (__builtin_expect(filled == capacity, 1)) {
      AddEMAInFullRing(x, factor);
    } else {
      Store(x);
      AdvanceExponential(x, factor);
    }
  }
  // The same for a stack whose ring is known to be full (filled == capacity).
  [[gnu::always_inline]] void AddEMAInFullRing(float x, float factor) {
    StoreInFullRing(x);
    value = ExponentialStep(x, factor);
  }
  // The exponential average's factor for a stack of `length` values, as AddEMA computes it
  // on every push.
  static float EmaFactor(int length) { return 2.0f / static_cast<float>(length + 1); }

  // Weight by age (index 0 is the newest value). 1 when stored, 0 when refused. Unless
  // `weighted` is 1, only the weight set last survives.
  int SetWeight(float weight, int index);
  // AddWgtAvg for a stack known to be initialised (`items` not null). Inline: the regression
  // average makes two on every bar.
  void AddWgtAvgReady(float x) {
    Store(x);
    WeighNewestFirst();
  }

  // The ring slot the next push writes: writePos, or 0 once the ring has wrapped.
  // Full-width, so that a push indexes the ring with it as it is.
  size_t NextSlot() const {
    size_t slot = writePos;
    if (__builtin_expect(slot >= capacity, 0)) slot = 0;
    return slot;
  }

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
  bool Push(float x, const char* notInitialisedMessage) {
    if (items == nullptr) {
      ReportNotInitialised(notInitialisedMessage);
      return false;
    }
    Store(x);
    return true;
  }
  // Push's steps once the stack is known to be initialised (then capacity >= 1).
  [[gnu::always_inline]] void Store(float x) {
    if (filled == 0) high = low = x;
    StoreInFullRing(x);
    filled += filled < capacity ? 1 : 0;
  }
  // Store's steps but the count, for an initialised stack whose high and low are set (filled
  // is 1 or more, as it stays once the ring is full). capacity >= 1, so the slot after the
  // last is always 0. Returns the slot written.
  [[gnu::always_inline]] size_t StoreInFullRing(float x) {
    // Selects, which the compiler makes maxss and minss, with the choices of
    // `if (x > high) high = x`: for an x that is NaN, or equal to high (+0 against -0 as
    // well), the comparison is false and high stays (maxss too returns its second operand
    // then). The same for low. Both are worked out before either is stored, so that the
    // compiler keeps them in registers.
    const float newHigh = x > high ? x : high;
    const float newLow = x < low ? x : low;
    high = newHigh;
    low = newLow;
    const size_t slot = NextSlot();
    items[slot] = x;
    writePos = static_cast<uint32_t>(slot + 1);
    return slot;
  }
  // The simple average from the slot just written on, given the sums of the slots before it.
  // The slots from there to the end of the filled part are added one by one in slot order:
  // an odd one and a pair first, then four at a time.
  [[gnu::always_inline]] void SumFromNewestSlot(float* slotSums) {
    SumFromSlot(writePos - 1, slotSums);
  }
  // The same from `slot`, the slot just written.
  [[gnu::always_inline]] void SumFromSlot(const size_t slot, float* slotSums) {
    const size_t end = filled;
    float sum = slot == 0 ? 0.0f : slotSums[slot - 1];
    size_t k = slot;
    if ((end - k) & 1) {
      sum += items[k];
      slotSums[k] = sum;
      ++k;
    }
    if ((end - k) & 2) {
      sum += items[k];
      slotSums[k] = sum;
      sum += items[k + 1];
      slotSums[k + 1] = sum;
      k += 2;
    }
    for (; k != end; k += 4) {
      sum += items[k];
      slotSums[k] = sum;
      sum += items[k + 1];
      slotSums[k + 1] = sum;
      sum += items[k + 2];
      slotSums[k + 2] = sum;
      sum += items[k + 3];
      slotSums[k + 3] = sum;
    }
    value = sum / static_cast<float>(filled);
  }
  // AddEMA's step once x is stored: the difference, times the factor, plus the old value.
  void AdvanceExponential(float x, float factor) {
    value = filled == 1 ? x : ExponentialStep(x, factor);
  }
  float ExponentialStep(float x, float factor) const {
    const float difference = x - value;
    const float step = difference * factor;
    return value + step;
  }
  static void ReportNotInitialised(const char* message);

  // Sum of the weights of the `weightSumFilled_` newest values; 0: to be recomputed.
  float weightSum_ = 0.0f;
  uint32_t weightSumFilled_ = 0;

  // AddWgtAvg's average once x is stored: the `filled` newest values weighted by age, newest
  // first.
  void WeighNewestFirst() {
    // The weights of the `filled` newest values change only with `filled` and SetWeight:
    // their sum is kept until then.
    if (weightSumFilled_ != filled) SumWeights();
    // Newest first: the slots before writePos down to 0, then from the end of the filled part
    // down to writePos.
    // Without weights every factor is 1: the same products, without a load per value.
    float valueSum = 0.0f;
    if (weights == nullptr) {
      for (uint32_t slot = writePos; slot-- > 0;) valueSum += 1.0f * items[slot];
      for (uint32_t slot = filled; slot-- > writePos;) valueSum += 1.0f * items[slot];
    } else {
      const float* factor = weights + length;
#pragma GCC unroll 4
      for (uint32_t slot = writePos; slot-- > 0;) valueSum += *factor++ * items[slot];
#pragma GCC unroll 4
      for (uint32_t slot = filled; slot-- > writePos;) valueSum += *factor++ * items[slot];
    }
    value = valueSum / weightSum_;
  }
  // Sets weightSum_ to the sum of the factors of the `filled` newest values.
  void SumWeights();
};

}  // namespace vqm
