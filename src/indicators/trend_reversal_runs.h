// Up to twelve runs of floats summed side by side, each into its own accumulator in its own
// order: the ribbon's averages re-add their older slots this way, so that their additions
// overlap instead of waiting on one another.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vqm {

// Runs summed together; twelve accumulators and their pointers still fit the registers.
constexpr int kRunsTogether = 12;

namespace runs_detail {

// Accumulators and run pointers are named by constants only, so that they stay in registers.
using Sums = std::array<float, kRunsTogether>;
using Ends = std::array<const float*, kRunsTogether>;
using Starts = std::array<ptrdiff_t, kRunsTogether>;

// Runs 0 .. Active - 1 add their terms side by side for the steps u .. end - 1, counted up to
// 0, where every run ends: run K adds p[K][u]. Returns end.
template <size_t... K>
[[gnu::always_inline]] inline ptrdiff_t AddTerms(Sums& s, const Ends& p, ptrdiff_t u,
                                                 ptrdiff_t end, std::index_sequence<K...>) {
  for (; u < end; ++u) ((s[K] += p[K][u]), ...);
  return u;
}

// Runs ordered longest first, all ending together: the longest goes alone until the next
// starts, those two until the third starts, and so on until all go together to the end.
// From one bar to the next every run shortens by one, so the segments keep their lengths
// but the last, and the loops' exits are foreseen; the one that changes comes last.
template <int Active>
[[gnu::always_inline]] inline void AddSegments(Sums& s, const Ends& p, const Starts& start,
                                               ptrdiff_t u) {
  if constexpr (Active <= kRunsTogether) {
    const ptrdiff_t end = Active < kRunsTogether ? start[Active] : 0;
    if (u < end) u = AddTerms(s, p, u, end, std::make_index_sequence<Active>{});
    AddSegments<Active + 1>(s, p, start, u);
  }
}

template <size_t... K>
[[gnu::always_inline]] inline void AddInOrder(const float* window, const int32_t* ends,
                                              const uint32_t* terms, const float* sums,
                                              const uint8_t* at, Sums& s,
                                              std::index_sequence<K...>) {
  // Run K starts `terms` steps before the end and reads p[K][-terms] .. p[K][-1]: its
  // pointer is just past its last term, inside the window.
  const Starts start = {-static_cast<ptrdiff_t>(terms[at[K]])...};
  const Ends p = {window + ends[at[K]]...};
  s = {sums[at[K]]...};
  AddSegments<1>(s, p, start, start[0]);
}

}  // namespace runs_detail

// The key of run k of a group: its length above, k below, so that equal lengths stay apart.
inline uint64_t RunKey(uint32_t length, int k) {
  return uint64_t{length} << 8 | static_cast<uint64_t>(k);
}

// Orders the keys of a group longest first; false when they were in order already.
// Insertion: keys that come in nearly in order, as a ribbon's do from one bar to the next,
// move little.
inline bool OrderRunKeys(uint64_t (&key)[kRunsTogether], int count) {
  bool moved = false;
  for (int i = 1; i < count; ++i) {
    const uint64_t v = key[i];
    if (key[i - 1] >= v) continue;
    moved = true;
    int j = i;
    for (; j > 0 && key[j - 1] < v; --j) key[j] = key[j - 1];
    key[j] = v;
  }
  return moved;
}

// The run of a group that no average fills: the spare run, of no terms, whose sum is scratch.
constexpr uint8_t kNoRun = kRunsTogether;

// The sums of a group's runs, in the order they were summed in.
using RunSums = runs_detail::Sums;

// Sums run k of a group from sums[k] on, adding its terms[k] terms, the ones just before
// window[ends[k]], in order, and gives the sums in the order of `at` (the run at[j] in
// total[j]: kept in registers, where storing them by run and reading them back four at a time
// would wait for the stores). `at` holds the group's runs ordered by their number of terms,
// most first, then kNoRun up to kRunsTogether; ends, terms and sums hold kRunsTogether + 1
// places, the last the spare run's. The runs end together, each joining the group where its
// terms begin and adding them term by term, so no term is added that a run does not have and
// each sum keeps its own order.
[[gnu::always_inline]] inline void AddRuns(const float* window, const int32_t* ends,
                                           const uint32_t* terms, const float* sums,
                                           const uint8_t* at, RunSums& total) {
  runs_detail::AddInOrder(window, ends, terms, sums, at, total,
                          std::make_index_sequence<kRunsTogether>{});
}

}  // namespace vqm
