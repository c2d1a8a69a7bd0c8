#!/usr/bin/env bash
# Lookup scaling in wall time, steadied against a shared machine: for each manager, one
# series and 10 000 series called in turn (vqm_bench's `<Manager>Live.../(1|10000)/`), each
# count in a fresh process pinned to one CPU, the two counts alternating ROUNDS times; the
# ratio of each count's fastest round, beside the median of the rounds' own ratios
# (scripts/ratio_rounds.sh).
#
#   bash scripts/lookup_ratio.sh                 # every manager, 5 rounds, a few minutes
#   ROUNDS=9 bash scripts/lookup_ratio.sh TrendRevLiveSeries
#   VQM_BENCH=/path/to/vqm_bench bash scripts/lookup_ratio.sh    # another build
#
# Needs the native build (cmake --preset native && cmake --build --preset native).
source "$(dirname "$0")/ratio_rounds.sh"
names=("$@")
[ ${#names[@]} -gt 0 ] ||
  names=(BSPLiveInstances TrendRevLiveSeries RareAvgLiveSeries PatternSearchLiveSeries)

ratio_header 1 "10 000"
for name in "${names[@]}"; do
  ratio_row "$name" "^BM_$name/1/" "^BM_$name/10000/"
done
