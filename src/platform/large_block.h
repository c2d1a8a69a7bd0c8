// Memory for one large block that is filled soon after it is taken (a whole file's lines):
// where the system offers it, backed by huge pages, so that filling 200 MB takes a hundred
// page faults rather than fifty thousand, and its reads miss the TLB far less. Part of the
// library's own machinery, like the library lock, not of the replaceable Env.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

namespace vqm::platform {

// size bytes, or null when memory runs out. Release with FreeLargeBlock and the same size.
void* AllocateLargeBlock(size_t size);
void FreeLargeBlock(void* block, size_t size);
// Faults in the `bytes` from `at`, which lie in one block from AllocateLargeBlock and are
// about to be written, at once where the system offers it (Linux 5.14 on). Only the bytes
// that will be written: each page faulted in is fresh memory, which a virtual machine may
// back slowly.
void PrefaultLargeBlock(void* at, size_t bytes);

// An allocator on those blocks, for a container that grows to millions of entries at once.
template <class T>
struct LargeBlockAllocator {
  using value_type = T;
  LargeBlockAllocator() = default;
  template <class U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) {}
  T* allocate(size_t n) {
    void* p = n <= static_cast<size_t>(-1) / sizeof(T) ? AllocateLargeBlock(n * sizeof(T)) : nullptr;
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) { FreeLargeBlock(p, n * sizeof(T)); }
  // Entries made by resize are left unset, as the caller writes them at once.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const LargeBlockAllocator<U>&) const { return true; }
  template <class U>
  bool operator!=(const LargeBlockAllocator<U>&) const { return false; }
};

}  // namespace vqm::platform
