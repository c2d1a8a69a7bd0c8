#include "platform/large_block.h"

#include <cstdint>
#include <cstdlib>

#if !defined(_WIN32)
#include <sys/mman.h>
#if defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
#define VQM_HUGE_PAGES 1
#endif
#if !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23  // Linux 5.14 on; older C library headers lack it
#endif
#endif

namespace vqm::platform {
namespace {

#if defined(VQM_HUGE_PAGES)
// Huge pages are 2 MB; smaller blocks, and every block under the address sanitizer (which
// watches only its own allocator), come from the C library.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kLargeFrom = 2 * kHugePage;

size_t Mapped(size_t size) { return (size + kHugePage - 1) & ~(kHugePage - 1); }

void* MapHugePageAligned(size_t size) {
  const size_t length = Mapped(size);
  // A huge page needs an aligned address: map one page more and give back what lies
  // outside the aligned run.
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
  if (aligned > start) munmap(raw, aligned - start);
  const uintptr_t end = start + length + kHugePage;
  if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
  void* block = reinterpret_cast<void*>(aligned);
  madvise(block, length, MADV_HUGEPAGE);  // only advice: the block works without it
  return block;
}
#else
constexpr size_t kLargeFrom = static_cast<size_t>(-1);
void* MapHugePageAligned(size_t) { return nullptr; }
#endif

}  // namespace

void* AllocateLargeBlock(size_t size) {
  if (size < kLargeFrom) return malloc(size > 0 ? size : 1);
  return MapHugePageAligned(size);
}

void PrefaultLargeBlock(void* at, size_t bytes) {
#if defined(VQM_HUGE_PAGES)
  if (bytes < kLargeFrom) return;
  // In one call rather than one fault at a time as the writes reach the pages. Kernels
  // before Linux 5.14 decline (EINVAL), and the writes then fault the pages as before.
  const uintptr_t from = reinterpret_cast<uintptr_t>(at) & ~uintptr_t{4095};
  const uintptr_t to = reinterpret_cast<uintptr_t>(at) + bytes;
  madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)at;
  (void)bytes;
#endif
}

void FreeLargeBlock(void* block, size_t size) {
  if (block == nullptr) return;
  if (size < kLargeFrom) {
    free(block);
    return;
  }
#if defined(VQM_HUGE_PAGES)
  munmap(block, Mapped(size));
#endif
}

}  // namespace vqm::platform
