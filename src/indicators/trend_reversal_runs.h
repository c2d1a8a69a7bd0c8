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

// One run: sum += from[0] + ... + from[length - 1], in that order.
struct FloatRun {
  const float* from;
  uint32_t length;
  float sum;
};

namespace runs_detail {

// Orders two runs longest first, without a branch that depends on the lengths.
inline void OrderPair(uint64_t& a, uint64_t& b) {
  const uint64_t x = a, y = b;
  const bool swap = x < y;
  a = swap ? y : x;
  b = swap ? x : y;
}

// Accumulators and run pointers are named by constants only, so that they stay in registers.
using Sums = std::array<float, kRunsTogether>;
using Starts = std::array<const float*, kRunsTogether>;

// Runs 0 .. Active - 1 add their terms t .. end - 1, term after term; returns end.
template <size_t... K>
[[gnu::always_inline]] inline uint32_t AddTerms(Sums& s, const Starts& p, uint32_t t,
                                                uint32_t end, std::index_sequence<K...>) {
  for (; t < end; ++t) ((s[K] += p[K][t]), ...);
  return t;
}

// Runs ordered longest first: the first `Active` go on together to the end of the shortest of
// them, which then leaves the group, and so on down to the longest.
template <int Active>
[[gnu::always_inline]] inline void AddSegments(Sums& s, const Starts& p,
                                               const std::array<uint32_t, kRunsTogether>& end,
                                               uint32_t t) {
  if constexpr (Active > 0) {
    if (t < end[Active - 1])
      t = AddTerms(s, p, t, end[Active - 1], std::make_index_sequence<Active>{});
    AddSegments<Active - 1>(s, p, end, t);
  }
}

template <size_t... K>
[[gnu::always_inline]] inline void AddSorted(FloatRun* runs, const uint64_t (&key)[kRunsTogether],
                                             std::index_sequence<K...>) {
  // Length above, run number below; a padding entry (length 0) borrows run 0 and adds nothing.
  const std::array<uint32_t, kRunsTogether> end = {static_cast<uint32_t>(key[K] >> 8)...};
  const Starts p = {runs[key[K] & 0xff].from...};
  Sums s = {runs[key[K] & 0xff].sum...};
  AddSegments<kRunsTogether>(s, p, end, 0);
  ((end[K] != 0 ? (runs[key[K] & 0xff].sum = s[K]) : 0.0f), ...);
}

}  // namespace runs_detail

// Adds each of the `count` runs (at most kRunsTogether) to its sum. The runs are ordered
// longest first by a fixed network of comparisons; all runs still going then advance term by
// term together, and a run leaves the group where it ends, so no term is added that a run
// does not have and each sum keeps its own order.
[[gnu::always_inline]] inline void AddRuns(FloatRun* runs, int count) {
  using runs_detail::OrderPair;
  if (count <= 0) return;
  uint64_t key[kRunsTogether];
  for (int k = 0; k < kRunsTogether; ++k)
    key[k] = k < count ? uint64_t{runs[k].length} << 8 | static_cast<uint64_t>(k) : 0;
  // A sorting network for twelve (39 comparisons, nine layers).
  constexpr int kPairs[][2] = {
      {0, 8}, {1, 7}, {2, 6}, {3, 11}, {4, 10}, {5, 9},  {0, 1}, {2, 5}, {3, 4}, {6, 9},
      {7, 8}, {10, 11}, {0, 2}, {1, 6}, {5, 10}, {9, 11}, {0, 3}, {1, 2}, {4, 6}, {5, 7},
      {8, 11}, {9, 10}, {1, 4}, {3, 5}, {6, 8},  {7, 10}, {1, 3}, {2, 5}, {6, 9}, {8, 10},
      {2, 3}, {4, 5}, {6, 7}, {8, 9}, {4, 6},   {5, 7},  {3, 4}, {5, 6}, {7, 8}};
#pragma GCC unroll 39
  for (const auto& pair : kPairs) OrderPair(key[pair[0]], key[pair[1]]);
  runs_detail::AddSorted(runs, key, std::make_index_sequence<kRunsTogether>{});
}

}  // namespace vqm
