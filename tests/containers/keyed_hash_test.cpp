#include <gtest/gtest.h>

#include "containers/keyed_hash.h"

namespace vqm {
namespace {

// The reference values of SipHash-2-4 (key 00 01 .. 0f, message 00 01 .. n-1): the hash the
// indexes use is the published function, fed in pieces or whole.
TEST(KeyedHash, ReferenceValues) {
  const struct {
    int length;
    uint64_t hash;
  } cases[] = {{0, 0x726fdb47dd0e0e31ull}, {1, 0x74f839c593dc67fdull}, {15, 0xa129ca6149be45e5ull}};
  for (const auto& c : cases) {
    KeyedHash h(0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull);
    for (int i = 0; i < c.length; ++i) h.Add(static_cast<uint8_t>(i));
    EXPECT_EQ(c.hash, h.Finish()) << c.length;
  }
  KeyedHash whole(0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull);
  KeyedHash bytes(0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull);
  whole.AddInt32(0x03020100u);
  for (int i = 0; i < 4; ++i) bytes.Add(static_cast<uint8_t>(i));
  EXPECT_EQ(bytes.Finish(), whole.Finish());
  // The process key is not the all-zero key a forgotten draw would leave.
  KeyedHash process;
  KeyedHash zero(0, 0);
  process.Add('E');
  zero.Add('E');
  EXPECT_NE(zero.Finish(), process.Finish());
}

}  // namespace
}  // namespace vqm
