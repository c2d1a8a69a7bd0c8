#include "averages/calc_stack.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/log.h"

namespace vqm {
namespace {

constexpr const char* kCategory = "CalcPack";

float* AllocateFloats(int n) { return new (std::nothrow) float[static_cast<size_t>(n)]; }

// The weights' buffer: n weights as set, then the n factors they stand for.
float* AllocateWeights(int n) { return AllocateFloats(2 * n); }

// All weights unset: 0 as set, factor 1.
void ClearWeights(float* weights, int n) {
  memset(weights, 0, sizeof(float) * static_cast<size_t>(n));
  std::fill_n(weights + n, n, 1.0f);
}

}  // namespace

void CCalcStack::Free() {
  delete[] items;
  delete[] weights;
  items = nullptr;
  weights = nullptr;
  weighted = 0;
  filled = 0;
  capacity = 0;
  length = 0;
  weightSumFilled_ = 0;
}

int CCalcStack::Init(int requested) {
  if (items == nullptr || requested != length) {
    const int32_t keepWeighted = weighted;
    Free();
    weighted = keepWeighted;
    if (requested <= 0) {
      capacity = 0;
      length = 0;
      filled = 0;
      return 1;
    }
    if (requested > kMaxStackLength) {
      LOGTRACE(kCategory, 0, "Excessive Stack Length: %d", requested);
      return 0;
    }
    items = AllocateFloats(requested);
    if (items == nullptr) {
      LOGTRACE(kCategory, 0, "Out of Memory (Max=%d)", requested);
      return 0;
    }
    if (weighted == 1 && weights == nullptr) {
      weights = AllocateWeights(requested);
      if (weights == nullptr) {
        LOGTRACE(kCategory, 0, "Out of Memory (MaxWgt=%d)", requested);
        // Without its weights the stack stays uninitialised rather than half built.
        delete[] items;
        items = nullptr;
        return 0;
      }
    }
  }
  memset(items, 0, sizeof(float) * static_cast<size_t>(requested));
  if (weights != nullptr) ClearWeights(weights, requested);
  length = requested;
  capacity = static_cast<uint32_t>(requested);
  writePos = 0;
  filled = 0;
  weightSumFilled_ = 0;
  return 1;
}

void CCalcStack::ReportNotInitialised(const char* message) {
  LOGTRACE(kCategory, 0, "%s", message);
}

int CCalcStack::AddMA(float x) {
  if (!Push(x, "AddMA: Stack not initialized")) return 0;
  // Recomputed from the ring in slot order on every push: the result never drifts.
  float sum = 0.0f;
#pragma GCC unroll 4
  for (uint32_t i = 0; i < filled; ++i) sum += items[i];
  value = sum / static_cast<float>(filled);
  return 1;
}

int CCalcStack::AddEMA(float x) { return AddEMAWithFactor(x, EmaFactor(length)); }

int CCalcStack::AddWgtAvg(float x) {
  if (!Push(x, "AddWgtAvg: Stack not initialized")) return 0;
  WeighNewestFirst();
  return 1;
}

void CCalcStack::SumWeights() {
  float weightSum = 0.0f;
  const float* const factor = weights != nullptr ? weights + length : nullptr;
  for (uint32_t k = 0; k < filled; ++k) weightSum += factor != nullptr ? factor[k] : 1.0f;
  weightSum_ = weightSum;
  weightSumFilled_ = filled;
}

int CCalcStack::SetWeight(float weight, int index) {
  if (index < 0 || index >= length) return 0;
  weightSumFilled_ = 0;
  if (weights == nullptr) {
    weights = AllocateWeights(length);
    if (weights == nullptr) {
      LOGTRACE(kCategory, 0, "Out of Memory (MaxWgt=%d)", length);
      return 0;
    }
    ClearWeights(weights, length);
  }
  if (weighted == 0) ClearWeights(weights, length);
  weights[index] = weight;
  weights[length + index] = weight > 0.0f ? weight : 1.0f;
  return 1;
}

}  // namespace vqm
