// A deterministic random walk around 100: the bars of the benchmarks and of the instruction
// counts, the same in every run and on every machine.
#pragma once

#include <cstdint>

namespace vqm::test {

class RandomWalk {
 public:
  float Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    level_ += static_cast<float>(static_cast<int>(state_ >> 40 & 0xFFFF) - 0x8000) * 3e-5f;
    return level_;
  }
  // The generator's state after the last step, for choices that follow the walk (volumes).
  uint64_t State() const { return state_; }

 private:
  uint64_t state_ = 12345;
  float level_ = 100.0f;
};

}  // namespace vqm::test
