#include "containers/keyed_hash.h"

#include <chrono>
#include <random>

#include "base/upper_fold.h"

namespace vqm {
namespace {

uint64_t Rotate(uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

// Inlined: a lookup hashes a few words, and a call per round would cost as much as the round.
[[gnu::always_inline]] inline void Round(uint64_t& v0, uint64_t& v1, uint64_t& v2,
                                        uint64_t& v3) {
  v0 += v1;
  v1 = Rotate(v1, 13);
  v1 ^= v0;
  v0 = Rotate(v0, 32);
  v2 += v3;
  v3 = Rotate(v3, 16);
  v3 ^= v2;
  v0 += v3;
  v3 = Rotate(v3, 21);
  v3 ^= v0;
  v2 += v1;
  v1 = Rotate(v1, 17);
  v1 ^= v2;
  v2 = Rotate(v2, 32);
}

struct ProcessKey {
  uint64_t k0, k1;
};

// Drawn on first use. The clock and an address are mixed in, in case the system's random
// source is weak.
const ProcessKey& TheProcessKey() {
  static const ProcessKey key = [] {
    std::random_device device;
    const uint64_t clock = static_cast<uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const uint64_t place = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&device));
    ProcessKey k;
    k.k0 = (static_cast<uint64_t>(device()) << 32 | device()) ^ clock;
    k.k1 = (static_cast<uint64_t>(device()) << 32 | device()) ^ Rotate(place, 29);
    return k;
  }();
  return key;
}

}  // namespace

KeyedHash::KeyedHash() : KeyedHash(TheProcessKey().k0, TheProcessKey().k1) {}

KeyedHash::KeyedHash(uint64_t key0, uint64_t key1)
    : v0_(key0 ^ 0x736f6d6570736575ull),
      v1_(key1 ^ 0x646f72616e646f6dull),
      v2_(key0 ^ 0x6c7967656e657261ull),
      v3_(key1 ^ 0x7465646279746573ull) {}

void KeyedHash::Compress(uint64_t word) {
  v3_ ^= word;
  Round(v0_, v1_, v2_, v3_);
  Round(v0_, v1_, v2_, v3_);
  v0_ ^= word;
}

void KeyedHash::Add(uint8_t byte) { AddBytes(byte, 1); }

void KeyedHash::AddInt32(uint32_t value) { AddBytes(value, 4); }

void KeyedHash::AddWord(uint64_t value) { AddBytes(value, 8); }

void KeyedHash::AddBytes(uint64_t bytes, unsigned n) {
  const unsigned used = static_cast<unsigned>(count_ % 8);
  count_ += n;
  if (used + n < 8) {
    pending_ |= bytes << (8 * used);
    return;
  }
  // The word is full: its first bytes were pending, the rest of these start the next one.
  if (used == 0) {
    Compress(bytes);
    return;
  }
  Compress(pending_ | bytes << (8 * used));
  pending_ = bytes >> (64 - 8 * used);
}

void KeyedHash::AddUpperCased(const char* text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const UpperFold fold;
  for (;; p += 8) {
    uint64_t word = 0;
    unsigned n = 0;
    for (; n < 8 && p[n] != 0; ++n) word |= static_cast<uint64_t>(fold(p[n]) & 0xFF) << (8 * n);
    AddBytes(word, n);
    if (n < 8) return;
  }
}

uint64_t KeyedHash::Finish() {
  Compress(pending_ | (count_ << 56));
  v2_ ^= 0xff;
  for (int i = 0; i < 4; ++i) Round(v0_, v1_, v2_, v3_);
  return v0_ ^ v1_ ^ v2_ ^ v3_;
}

}  // namespace vqm
