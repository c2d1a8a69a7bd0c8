#include "support/average_model.h"

#include <cstddef>

namespace vqm::test {

void AverageModel::Init(int length) {
  const bool valid = length > 0 && length <= 1000000;
  length_ = valid ? length : 0;
  ring_.assign(static_cast<std::size_t>(length_), 0.0f);
  weights_.assign(static_cast<std::size_t>(length_), 0.0f);
  next_ = 0;
  count_ = 0;
}

void AverageModel::SetWeight(float weight, int age) {
  if (age >= 0 && age < length_) weights_[static_cast<std::size_t>(age)] = weight;
}

bool AverageModel::Store(float x) {
  if (ring_.empty()) return false;
  if (count_ == 0) high_ = low_ = x;
  if (x > high_) high_ = x;
  if (x < low_) low_ = x;
  ring_[static_cast<std::size_t>(next_)] = x;
  next_ = (next_ + 1) % length_;
  if (count_ < length_) ++count_;
  return true;
}

float AverageModel::SlotSum() const {
  float sum = 0.0f;
  for (int slot = 0; slot < count_; ++slot) sum = sum + ring_[static_cast<std::size_t>(slot)];
  return sum;
}

void AverageModel::AddSimple(float x) {
  if (Store(x)) value_ = SlotSum() / static_cast<float>(count_);
}

void AverageModel::AddWeighted(float x) {
  if (!Store(x)) return;
  float sumW = 0.0f, sumWX = 0.0f;
  int slot = next_;
  for (int age = 0; age < count_; ++age) {
    slot = slot == 0 ? count_ - 1 : slot - 1;
    const float given = weights_[static_cast<std::size_t>(age)];
    const float w = given > 0.0f ? given : 1.0f;
    sumW = sumW + w;
    sumWX = sumWX + w * ring_[static_cast<std::size_t>(slot)];
  }
  value_ = sumWX / sumW;
}

void AverageModel::AddExponential(float x) {
  if (!Store(x)) return;
  const float alpha = 2.0f / static_cast<float>(length_ + 1);
  value_ = count_ == 1 ? x : value_ + alpha * (x - value_);
}

float AverageModel::SimpleOfHistory(const std::vector<float>& history, int length) {
  AverageModel m;
  m.Init(length);
  const std::size_t n = history.size();
  const std::size_t filled = n < static_cast<std::size_t>(length) ? n : static_cast<std::size_t>(length);
  // Only the last `filled` values survive in the ring: start where the first of them lands.
  m.next_ = static_cast<int>((n - filled) % static_cast<std::size_t>(length));
  for (std::size_t i = n - filled; i < n; ++i) m.Store(history[i]);
  return m.SlotSum() / static_cast<float>(m.count_);
}

}  // namespace vqm::test
