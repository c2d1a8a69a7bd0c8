#include "indicators/bsp/bsp_set.h"

#include <new>

#include "base/prefetch.h"

void CBSPSet::Restart(int avgLen, int volLen) {
  volumeAvg.Free();
  pressureAvg.Free();
  buyAvg.Free();
  sellAvg.Free();
  volumeAvg.Init(volLen);
  if (volumeAvg.capacity > volumeSumsCapacity) {
    volumeSums.reset(new (std::nothrow) float[volumeAvg.capacity]);
    volumeSumsCapacity = volumeSums != nullptr ? volumeAvg.capacity : 0;
  }
  pressureAvg.Init(avgLen);
  buyAvg.Init(avgLen);
  sellAvg.Init(avgLen);
  // Outside 1 .. kMaxStackLength no stack is initialised and no push reads the factor.
  emaFactor = avgLen >= 1 && avgLen <= vqm::kMaxStackLength ? vqm::CCalcStack::EmaFactor(avgLen)
                                                            : 0.0f;
  pushesReady = avgLen >= 2 && volumeAvg.items != nullptr &&
                volumeAvg.capacity <= volumeSumsCapacity && pressureAvg.items != nullptr &&
                buyAvg.items != nullptr && sellAvg.items != nullptr;
  steadyRings = false;
}

void CBSPSet::FetchHeadersAhead() const {
  const char* const first = reinterpret_cast<const char*>(&emaFactor);
  const char* const end = reinterpret_cast<const char*>(this + 1);
  vqm::PrefetchLines(first, static_cast<size_t>(end - first));
}

namespace {

// The slot the stack's next push writes.
void FetchNextSlot(const vqm::CCalcStack& stack) {
  if (stack.items == nullptr) return;
  vqm::Prefetch(stack.items + stack.NextSlot());
}

}  // namespace

void CBSPSet::FetchRingsAhead() const {
  FetchNextSlot(volumeAvg);
  FetchNextSlot(pressureAvg);
  FetchNextSlot(buyAvg);
  FetchNextSlot(sellAvg);
  // The volume's sums are re-added from that slot to the last one held.
  if (volumeAvg.items != nullptr && volumeAvg.filled > 0 && volumeSums != nullptr) {
    vqm::Prefetch(volumeSums.get() + volumeAvg.NextSlot());
    vqm::Prefetch(volumeSums.get() + volumeAvg.filled - 1);
    vqm::Prefetch(volumeAvg.items + volumeAvg.filled - 1);
  }
}
