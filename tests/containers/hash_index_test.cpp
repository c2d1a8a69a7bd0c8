#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "containers/hash_index.h"

namespace vqm {
namespace {

// Entries whose hashes share home slots and runs that wrap around the end of the array,
// erased in several orders: every entry left is still found, every erased one is gone, and
// a hash of 0 is an ordinary hash.
TEST(HashIndex, EntriesStayReachableAcrossCollisionsGrowthAndErasure) {
  struct Case {
    const char* name;
    uint64_t (*hash)(int);
    int count;
    int eraseEvery;  // erase the values divisible by this (0: none)
  };
  const Case cases[] = {
      {"distinct", [](int v) { return uint64_t{0x9E3779B97F4A7C15ull} * (v + 1); }, 300, 3},
      {"one home slot", [](int v) { return (uint64_t{1} << 40) * (v + 1); }, 20, 2},
      {"runs that wrap", [](int v) { return uint64_t{63} + (uint64_t{1} << 32) * (v % 5); }, 30, 4},
      {"hash 0 among them", [](int v) { return uint64_t(v % 2 == 0 ? 0 : 1); }, 12, 3},
  };
  for (const Case& c : cases) {
    HashIndex<int> index;
    for (int v = 0; v < c.count; ++v) ASSERT_TRUE(index.Insert(c.hash(v), v)) << c.name;
    for (int v = 0; c.eraseEvery > 0 && v < c.count; v += c.eraseEvery)
      EXPECT_TRUE(index.Erase(c.hash(v), [&](int x) { return x == v; })) << c.name << " " << v;
    for (int v = 0; v < c.count; ++v) {
      const bool erased = c.eraseEvery > 0 && v % c.eraseEvery == 0;
      const int* found = index.Find(c.hash(v), [&](int x) { return x == v; });
      EXPECT_EQ(erased, found == nullptr) << c.name << " " << v;
    }
    EXPECT_FALSE(index.Erase(c.hash(0), [](int x) { return x == -1; })) << c.name;
  }
}

}  // namespace
}  // namespace vqm
