// Allocation failures on demand: a test program that calls FailAllocationAt replaces the
// global operator new, and the nth allocation from then on (of this program and of the
// library linked into it) fails as memory exhaustion does: std::bad_alloc, or null from the
// nothrow forms. Only allocations on the thread that armed it are counted.
#pragma once

namespace vqm::test {

// The nth allocation from now (1 is the next) fails; 0 fails none. Restarts the count.
void FailAllocationAt(long n);
// Allocations counted since FailAllocationAt.
long AllocationsCounted();
// True once the chosen allocation has failed.
bool AllocationFailed();

}  // namespace vqm::test
