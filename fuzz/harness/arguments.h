// Hostile arguments drawn from fuzzed bytes, in the forms a script can hand over: texts of
// any bytes and any length up to 100 000 bytes (or null), floats with NaN, infinities and
// the edges of the int range, extreme integers, and buffers of exactly the size given so
// that the sanitizer sees a byte read or written past them.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "frame/value_block.h"

namespace vqm::fuzz {

constexpr size_t kLongestText = 100000;

// A zero-terminated text in a heap block of exactly its bytes plus the terminator, or null.
// The bytes may hold zeros: the text then ends at the first. room adds writable bytes
// after the terminator for texts the library writes back into.
class Text {
 public:
  Text() = default;
  explicit Text(const std::string& bytes, size_t room = 0);
  char* get() const { return bytes_.get(); }
  size_t size() const { return size_; }  // bytes held, terminator and room included

 private:
  std::unique_ptr<char[]> bytes_;
  size_t size_ = 0;
};

// A buffer of exactly size bytes (null for size 0).
std::unique_ptr<char[]> Buffer(size_t size);

class Arguments {
 public:
  explicit Arguments(FuzzedDataProvider& data) : data_(data) {}

  bool Empty() { return data_.remaining_bytes() == 0; }
  int Choose(int count) { return data_.ConsumeIntegralInRange<int>(0, count - 1); }
  bool Flag() { return data_.ConsumeBool(); }
  int Small(int low, int high) { return data_.ConsumeIntegralInRange<int>(low, high); }

  // The bytes of a text: raw bytes, one of words, or a fuzzed piece repeated up to
  // kLongestText bytes.
  std::string Bytes(std::initializer_list<const char*> words);
  // As Bytes, or null one time in eight.
  Text NullableText(std::initializer_list<const char*> words, size_t room = 0);

  int Int();
  float Float();
  // Host dates (year - 1900) * 10000 + month * 100 + day and times HHMM: mostly plausible
  // ones, with fields just out of range, and any integer now and then.
  int HostDate();
  int HostTime();

  // A value block of exactly slots slots, each slot a fuzzed float (or one of the given
  // values for chosen slots, to reach the paths behind them).
  std::vector<ValueBlock> Block(int slots);

 private:
  FuzzedDataProvider& data_;
};

// a + b as the host's 32-bit arithmetic gives it: wrapping, never overflowing.
inline int WrappedSum(int a, int b) {
  return static_cast<int>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Pointer arguments that may be null: a heap object of exactly one value otherwise.
template <class T>
std::unique_ptr<T> MaybeValue(Arguments& a, T value) {
  if (a.Choose(16) == 0) return nullptr;
  return std::make_unique<T>(value);
}

}  // namespace vqm::fuzz
