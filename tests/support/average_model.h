// The reference moving average for every test: the averaging stacks written the obvious way.
// A ring of `length` floats; the value pushed i-th lands in slot i mod length. The simple
// average sums the filled slots in slot order; the weighted one goes newest first, a weight
// of 0 or less counting as 1; the exponential one restarts from the value while one value is
// held and otherwise steps by 2 / (length + 1). A length outside 1..1000000 leaves it idle,
// keeping its last value.
#pragma once

#include <vector>

namespace vqm::test {

class AverageModel {
 public:
  void Init(int length);
  void SetWeight(float weight, int age);

  void AddSimple(float x);
  void AddWeighted(float x);
  void AddExponential(float x);

  int count() const { return count_; }
  float value() const { return value_; }
  // The largest and smallest value pushed since Init, tracked as `if (x > high) high = x`
  // (a NaN never replaces them; of +0 and -0 the first stays).
  float high() const { return high_; }
  float low() const { return low_; }
  // The ring as the stack keeps it: the slot the next value goes to (0 .. length-1), and
  // every slot's value.
  int next() const { return next_; }
  const std::vector<float>& ring() const { return ring_; }

  // The simple average of the last `length` values of a history, as a ring fed with all of it
  // would give.
  static float SimpleOfHistory(const std::vector<float>& history, int length);

 private:
  bool Store(float x);
  float SlotSum() const;

  int length_ = 0;
  std::vector<float> ring_;     // empty: idle
  std::vector<float> weights_;  // by age, newest first
  int next_ = 0;
  int count_ = 0;
  float value_ = 0.0f;
  float high_ = 0.0f, low_ = 0.0f;
};

}  // namespace vqm::test
