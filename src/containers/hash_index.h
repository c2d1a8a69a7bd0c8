// An index from 64-bit key hashes to small values (a series, its position), for the managers
// whose series are looked up on every call.
//
// Open addressing with linear probing over one power-of-two array of slots, at most half
// full: a slot holds the full hash beside its value, so a probe compares hashes within the
// array and leaves it only for a candidate whose hash matches; the caller confirms that
// candidate against its real keys. Nothing is allocated per entry. Hash 0 marks an empty
// slot, so a hash of 0 is stored as 1 (a hash is only a first filter).
// REQUIRES: Value is trivially copyable; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

namespace vqm {

template <class Value>
class HashIndex {
  static_assert(std::is_trivially_copyable<Value>::value, "slots are copied as they are");

 public:
  // The value of the first entry in probe order with this hash for which match(value) is
  // true, or null. Entries with equal keys are the caller's to avoid.
  template <class Match>
  const Value* Find(uint64_t hash, Match&& match) const {
    const size_t i = SlotOf(hash, match);
    return i == kNone ? nullptr : &slots_[i].value;
  }
  template <class Match>
  Value* Find(uint64_t hash, Match&& match) {
    const size_t i = SlotOf(hash, match);
    return i == kNone ? nullptr : &slots_[i].value;
  }

  // Adds an entry, doubling the slot array when it would be more than half full. False when
  // memory runs out (the index is then unchanged).
  bool Insert(uint64_t hash, const Value& value) {
    if (2 * (held_ + 1) > slots_.size()) {
      std::vector<Slot> grown;
      try {
        grown.assign(slots_.empty() ? 64 : 2 * slots_.size(), Slot{0, Value{}});
      } catch (const std::bad_alloc&) {
        return false;
      }
      for (const Slot& slot : slots_)
        if (slot.hash != 0) Place(grown, slot);
      slots_.swap(grown);
    }
    Place(slots_, Slot{Stored(hash), value});
    ++held_;
    return true;
  }

  // Removes the first entry in probe order with this hash for which match(value) is true;
  // false when there is none. The entries after it in its probe run move back, so every
  // remaining entry stays reachable.
  template <class Match>
  bool Erase(uint64_t hash, Match&& match) {
    size_t hole = SlotOf(hash, match);
    if (hole == kNone) return false;
    const size_t mask = slots_.size() - 1;
    for (size_t i = (hole + 1) & mask; slots_[i].hash != 0; i = (i + 1) & mask) {
      // An entry may fill the hole when its home slot does not lie after the hole (cyclically).
      const size_t home = slots_[i].hash & mask;
      if (((i - home) & mask) >= ((i - hole) & mask)) {
        slots_[hole] = slots_[i];
        hole = i;
      }
    }
    slots_[hole] = Slot{0, Value{}};
    --held_;
    return true;
  }

  size_t size() const { return held_; }

 private:
  struct Slot {
    uint64_t hash;  // 0: empty
    Value value;
  };
  static constexpr size_t kNone = ~size_t{0};

  template <class Match>
  size_t SlotOf(uint64_t hash, Match&& match) const {
    if (slots_.empty()) return kNone;
    hash = Stored(hash);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask; slots_[i].hash != 0; i = (i + 1) & mask)
      if (slots_[i].hash == hash && match(slots_[i].value)) return i;
    return kNone;
  }
  static uint64_t Stored(uint64_t hash) { return hash == 0 ? 1 : hash; }
  static void Place(std::vector<Slot>& slots, const Slot& slot) {
    const size_t mask = slots.size() - 1;
    size_t i = slot.hash & mask;
    while (slots[i].hash != 0) i = (i + 1) & mask;
    slots[i] = slot;
  }

  std::vector<Slot> slots_;
  size_t held_ = 0;
};

// A hash of an address for an index of objects by address. Addresses come from the allocator,
// not from the script: a plain mix that spreads them over the low bits a probe starts from is
// enough.
inline uint64_t AddressHash(const void* address) {
  uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address));
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdull;
  x ^= x >> 33;
  return x;
}

// A set of addresses (objects a caller handed out), asked about values that may be anything:
// a value is compared, never dereferenced.
class AddressSet {
 public:
  // False when memory runs out (the set is then unchanged).
  bool Insert(const void* address) { return index_.Insert(AddressHash(address), address); }
  // False when the address is not in the set.
  bool Erase(const void* address) { return index_.Erase(AddressHash(address), Is{address}); }
  bool Contains(const void* address) const {
    return index_.Find(AddressHash(address), Is{address}) != nullptr;
  }

 private:
  struct Is {
    const void* address;
    bool operator()(const void* held) const { return held == address; }
  };
  HashIndex<const void*> index_;
};

}  // namespace vqm
