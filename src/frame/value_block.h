// The script's value block: an array of 8-byte slots, each holding an IEEE single in its
// first four bytes (the other four are ignored).
#pragma once

#include <cmath>
#include <cstring>

struct ValueBlock {
  unsigned char bytes[8];
};

namespace vqm {

inline float ReadSlot(const ValueBlock* block, int slot) {
  float f;
  memcpy(&f, block[slot].bytes, sizeof f);
  return f;
}

// A slot read as an integer: the float truncated toward zero. NaN reads 0 and values
// beyond the int range read as its nearest end, so hostile slots cannot trap.
inline int ReadSlotInt(const ValueBlock* block, int slot) {
  const float f = ReadSlot(block, slot);
  if (std::isnan(f)) return 0;
  if (f >= 2147483647.0f) return 2147483647;
  if (f <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(f);
}

inline void WriteSlot(ValueBlock* block, int slot, float value) {
  memcpy(block[slot].bytes, &value, sizeof value);
}

}  // namespace vqm
