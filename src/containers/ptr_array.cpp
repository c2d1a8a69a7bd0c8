#include "containers/ptr_array.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vqm {
namespace detail {
namespace {

// A block of n slots must stay below 4 GiB.
constexpr int kMaxSlots = static_cast<int>((uint64_t{4} << 30) / sizeof(void*) - 1);

// A block of n slots, the first `copied` of them copied from `from` and the rest null.
void** AllocateSlots(int n, void* const* from = nullptr, int copied = 0) {
  if (n <= 0 || n > kMaxSlots) return nullptr;
  void** block = new (std::nothrow) void*[static_cast<size_t>(n)];
  if (block == nullptr) return nullptr;
  if (copied > 0) memcpy(block, from, sizeof(void*) * static_cast<size_t>(copied));
  memset(block + copied, 0, sizeof(void*) * static_cast<size_t>(n - copied));
  return block;
}

}  // namespace

template <int kDivisor, int kInitialSize>
int PtrSlots<kDivisor, kInitialSize>::Reserve(int n) {
  if (n == 0) {
    delete[] data;
    data = nullptr;
    capacity = count = 0;
    return 0;
  }
  if (data == nullptr) {
    const int size = initialSize < n ? n : initialSize;
    void** block = AllocateSlots(size);
    if (block == nullptr) return -1;
    initialSize = size;
    data = block;
    capacity = size;
    count = 0;
    return 0;
  }
  if (n <= capacity) return 0;
  int step = growBy;
  if (step == 0) {
    step = capacity / kDivisor;
    if (step < 4) step = 4;
    if (step > 1024) step = 1024;
  }
  const int64_t grown = int64_t{capacity} + step;
  const int64_t wanted = n > grown ? n : grown;
  if (wanted > kMaxSlots) return -1;
  void** block = AllocateSlots(static_cast<int>(wanted), data, capacity);
  if (block == nullptr) return -1;
  delete[] data;
  data = block;
  capacity = static_cast<int>(wanted);
  return 0;
}

template <int kDivisor, int kInitialSize>
int PtrSlots<kDivisor, kInitialSize>::SetAtGrow(int index, void* pointer) {
  if (index < 0) return -1;
  if (index >= capacity || data == nullptr) {
    if (index == kMaxSlots) return -1;
    const int r = Reserve(index + 1);
    if (r < 0) return r;
  }
  data[index] = pointer;
  if (count < index + 1) count = index + 1;
  return 0;
}

template <int kDivisor, int kInitialSize>
void PtrSlots<kDivisor, kInitialSize>::RemoveAt(int index, int n) {
  if (n <= 0) return;
  memmove(data + index, data + index + n, sizeof(void*) * static_cast<size_t>(count - index - n));
  count -= n;
}

template class PtrSlots<4, 10>;
template class PtrSlots<8, 1000>;

}  // namespace detail

int SPtrArray::Find(const void* pointer) const {
  for (int i = 0; i < count; ++i)
    if (data[i] == pointer) return i;
  return -1;
}

void SPtrArray::Sort(int (*compare)(const void*, const void*)) {
  if (count < 2) return;
  void** block = new (std::nothrow) void*[static_cast<size_t>(count)];
  if (block == nullptr) return;
  memcpy(block, data, sizeof(void*) * static_cast<size_t>(count));
  qsort(block, static_cast<size_t>(count), sizeof(void*), compare);
  memcpy(data, block, sizeof(void*) * static_cast<size_t>(count));
  delete[] block;
}

namespace {

void* SlotOf(float value) {
  uint32_t bits;
  memcpy(&bits, &value, sizeof bits);
  return reinterpret_cast<void*>(static_cast<uintptr_t>(bits));
}

float FloatOf(const void* slot) {
  const uint32_t bits = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(slot));
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

int CompareFloatSlots(const void* a, const void* b) {
  const float x = FloatOf(*static_cast<void* const*>(a));
  const float y = FloatOf(*static_cast<void* const*>(b));
  if (x < y) return -1;
  if (x > y) return 1;
  return 0;
}

}  // namespace

int SFltArray::AddFlt(float value) { return Add(SlotOf(value)); }

float SFltArray::GetFltAt(int index) const {
  if (index < 0 || index >= count) return 1000000000.0f;
  return FloatOf(data[index]);
}

int SFltArray::SortFlt() {
  if (count < 2) return 0;
  Sort(CompareFloatSlots);
  return count;
}

}  // namespace vqm
