#!/usr/bin/env bash
# Each indicator export's time against its floor (bench/floors_bench.cpp), steadied against a
# shared machine: the floor and the export each in a fresh process pinned to one CPU, the two
# alternating ROUNDS times; the ratio of each one's fastest round, beside the median of the
# rounds' own ratios (scripts/ratio_rounds.sh). A round's figure is its process's fastest
# repetition of three: a floor whose first repetitions write fresh memory is then set against
# an export whose history is already in place, both warm.
#
#   bash scripts/floor_ratio.sh                  # every export, 5 rounds, a few minutes
#   ROUNDS=9 bash scripts/floor_ratio.sh FindGemAdd PrcNorm
#   VQM_BENCH=/path/to/vqm_bench bash scripts/floor_ratio.sh     # another build
#
# For the two thin exports (FindGemAdd, PrcNorm) two more tables: the floor against the same
# arithmetic behind a call with the export's parameters (bench/called_floors.cpp), which is
# what calling costs before anything an export adds to its floor; and that called floor
# against the export.
#
# Needs the native build (cmake --preset native && cmake --build --preset native).
source "$(dirname "$0")/ratio_rounds.sh"
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(RareAvg/10 RareAvg/50 RareAvg/200 TrendReversal FindGemAdd
  FindGemCalc BSPCalc PrcNorm)

export RATIO_STAT=min
ratio_header floor export
for name in "${names[@]}"; do
  # RareAvg/50: BM_RareAvgFloor/50/..., the others BM_<Name>Floor/...
  kind=${name%%/*} arg=${name#"$kind"}
  ratio_row "$name" "^BM_${kind}Floor${arg}/" "^BM_${kind}OverFloor${arg}/"
done

called=()
for name in "${names[@]}"; do
  case $name in FindGemAdd | PrcNorm) called+=("$name") ;; esac
done
[ ${#called[@]} -gt 0 ] || exit 0
echo
ratio_header floor called
for name in "${called[@]}"; do
  ratio_row "$name" "^BM_${name}Floor/" "^BM_${name}CalledFloor/"
done
echo
ratio_header called export
for name in "${called[@]}"; do
  ratio_row "$name" "^BM_${name}CalledFloor/" "^BM_${name}OverFloor/"
done
