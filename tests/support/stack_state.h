// An averaging stack's state besides its value against the model's, bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "averages/calc_stack.h"
#include "support/average_model.h"
#include "support/float_bits.h"

namespace vqm::test {

// High, low, count, the slot the next value goes to and the ring's slots of an initialised
// stack.
inline void ExpectStackStateOfModel(const CCalcStack& s, const AverageModel& m) {
  EXPECT_EQ(FloatBits(m.high()), FloatBits(s.high));
  EXPECT_EQ(FloatBits(m.low()), FloatBits(s.low));
  EXPECT_EQ(static_cast<uint32_t>(m.count()), s.filled);
  EXPECT_EQ(static_cast<uint32_t>(m.next()), s.writePos % s.capacity);
  for (uint32_t k = 0; k < s.capacity; ++k)
    ASSERT_EQ(FloatBits(m.ring()[k]), FloatBits(s.items[k])) << "slot " << k;
}

}  // namespace vqm::test
