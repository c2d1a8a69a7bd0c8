#!/usr/bin/env bash
# Lookup scaling under callgrind's cache simulation: for each manager, the instructions and
# the data-cache misses of one call when 10 000 series are called in turn, against one series
# called bar after bar. Counts, unlike wall time, stay the same on a shared, noisy machine.
#
#   bash scripts/lookup_misses.sh               # every manager, a few minutes
#   bash scripts/lookup_misses.sh rareavg bsp   # the named ones (rareavg trendrev bsp patternsearch)
#
# Scenarios: tools/callcost (`<manager>-turn1`, `<manager>-turn10000`). The last-level cache
# is simulated at 8 MiB, about this machine's share when others work; "cost" weighs a
# first-level miss as 10 instructions and a last-level miss as 100, a rough guide to time.
# Needs valgrind and the native build (cmake --preset native && cmake --build --preset native).
set -euo pipefail
source "$(dirname "$0")/callcost_env.sh"

managers=("$@")
[ ${#managers[@]} -gt 0 ] || managers=(rareavg trendrev bsp patternsearch)


# Per call: instructions, first-level data misses, last-level data misses, cost.
measure() {
  valgrind --tool=callgrind --cache-sim=yes --LL=8388608,16,64 --collect-atstart=no \
    --toggle-collect='VQM_*' --toggle-collect='vqm_*' --callgrind-out-file="$work/$1.cg" \
    "$bin" "$1" > "$work/$1.out" 2> "$work/$1.err" || { cat "$work/$1.err" >&2; exit 1; }
  read -r _ calls _ _ < "$work/$1.out"
  awk -v calls="$calls" '
    /^events:/ { for (i = 2; i <= NF; ++i) name[i] = $i }
    /^(summary|totals):/ {
      for (i = 2; i <= NF; ++i) v[name[i]] = $i
      d1 = (v["D1mr"] + v["D1mw"]) / calls; ll = (v["DLmr"] + v["DLmw"]) / calls
      ir = v["Ir"] / calls
      printf "%.0f %.1f %.1f %.0f\n", ir, d1, ll, ir + 10 * d1 + 100 * ll; exit }' "$work/$1.cg.1"
}

printf '| %-13s | %21s | %21s | %21s | %10s |\n' manager "instructions 1 / 10k" "L1 misses 1 / 10k" \
  "LL misses 1 / 10k" "cost ratio"
printf '|%s|%s|%s|%s|%s|\n' --------------- ----------------------- ----------------------- \
  ----------------------- ------------
for m in "${managers[@]}"; do
  read -r ir1 d11 ll1 c1 < <(measure "$m-turn1")
  read -r ir2 d12 ll2 c2 < <(measure "$m-turn10000")
  awk -v m="$m" -v ir1="$ir1" -v ir2="$ir2" -v a="$d11" -v b="$d12" -v c="$ll1" -v d="$ll2" \
    -v c1="$c1" -v c2="$c2" 'BEGIN { printf "| %-13s | %9d / %9d | %9.1f / %9.1f | %9.1f / %9.1f | %10.2f |\n",
      m, ir1, ir2, a, b, c, d, c2 / c1 }'
done
