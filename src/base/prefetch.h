// Asking for memory ahead of need: a series called once among many finds its memory out of
// cache, and loads issued together overlap instead of waiting on one another.
//
// The request is written as the instruction itself. GCC 12 treats __builtin_prefetch as free
// of effects: a loop of nothing but requests, which it can prove ends, was deleted whole, and
// with it requests that stood beside the loop, so the series' look-ahead asked for nothing.
#pragma once

#include <cstddef>
#include <utility>

namespace vqm {

// Asks for the cache line holding p. Never faults, whatever p is.
inline void Prefetch(const void* p) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
  __builtin_prefetch(p);
#endif
}

// Asks for every cache line of the bytes [p, p + bytes), the last one included whether or
// not p starts a line.
inline void PrefetchLines(const void* p, size_t bytes) {
  if (bytes == 0) return;
  const char* const first = static_cast<const char*>(p);
  for (size_t offset = 0; offset < bytes; offset += 64) Prefetch(first + offset);
  Prefetch(first + bytes - 1);
}

namespace prefetch_detail {
template <size_t... Line>
[[gnu::always_inline]] inline void PrefetchEachLine(const char* first,
                                                    std::index_sequence<Line...>) {
  (Prefetch(first + 64 * Line), ...);
}
}  // namespace prefetch_detail

// PrefetchLines for a size known when compiling: the requests written out one after another,
// so that asking for an object costs no loop.
template <size_t Bytes>
[[gnu::always_inline]] inline void PrefetchBlock(const void* p) {
  static_assert(Bytes > 0, "a block of no bytes has no lines");
  const char* const first = static_cast<const char*>(p);
  prefetch_detail::PrefetchEachLine(first, std::make_index_sequence<(Bytes + 63) / 64>{});
  Prefetch(first + Bytes - 1);
}

}  // namespace vqm
