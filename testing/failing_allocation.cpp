#include "testing/failing_allocation.h"

#include <cstdlib>
#include <new>

namespace vqm::test {
namespace {

thread_local long t_failAt = 0;
thread_local long t_counted = 0;
thread_local bool t_failed = false;

// Counts an allocation while one is armed; true when this one is to fail.
bool ShouldFail() {
  if (t_failAt <= 0) return false;
  if (++t_counted != t_failAt) return false;
  t_failed = true;
  return true;
}

void* Allocate(std::size_t size) {
  if (ShouldFail()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void FailAllocationAt(long n) {
  t_failAt = n;
  t_counted = 0;
  t_failed = false;
}

long AllocationsCounted() { return t_counted; }
bool AllocationFailed() { return t_failed; }

}  // namespace vqm::test

void* operator new(std::size_t size) {
  void* p = vqm::test::Allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return vqm::test::Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return vqm::test::Allocate(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
