#include "called_floors.h"

#include <memory>

#include "thin_floors.h"

namespace vqm::bench {
namespace {
std::unique_ptr<GemBar[]> g_bars;
int g_count = 0;
}  // namespace

// The five values are read before any is written, so that of one variable passed twice the
// last write wins, as in the export.
int CalledPrcNormFloor(float factor, int* v1, int* v2, int* v3, int* v4, int* v5) {
  __m128i first = _mm_set_epi32(*v4, *v3, *v2, *v1);
  int fifth = *v5;
  if (PrcNormFloor(factor, first, fifth)) {
    *v1 = _mm_cvtsi128_si32(first);
    *v2 = _mm_cvtsi128_si32(_mm_shuffle_epi32(first, 0x55));
    *v3 = _mm_cvtsi128_si32(_mm_shuffle_epi32(first, 0xAA));
    *v4 = _mm_cvtsi128_si32(_mm_shuffle_epi32(first, 0xFF));
    *v5 = fifth;
  }
  return 0;
}

// The room of the run before is freed first, so that a run reuses it warm, as the floor in
// the loop does with its own.
void CalledFindGemAddStart(int capacity) {
  g_bars.reset();
  g_bars.reset(new GemBar[static_cast<size_t>(capacity)]);
  g_count = 0;
}

int CalledFindGemAddFloor(int /*notUsed*/, const char* /*symbol*/, int date, int /*time*/,
                          int divisor, int* open, int* high, int* low, int* close, int* volume,
                          int /*mode*/) {
  StoreGemBarFloor(g_bars[static_cast<size_t>(g_count)], date,
                   _mm_set_epi32(*close, *low, *high, *open), *volume,
                   static_cast<float>(divisor));
  return ++g_count;
}

}  // namespace vqm::bench
