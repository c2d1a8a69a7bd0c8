#!/usr/bin/env bash
# Instructions and heap allocations per call of each indicator export in steady state, log
# off, counted by callgrind: figures that stay the same on a shared, noisy machine.
#
#   bash scripts/instructions.sh              # every scenario
#   bash scripts/instructions.sh rareavg50    # the named ones
#
# Each scenario (tools/callcost) warms its series up with 3 000 calls, then makes 2 000 more
# between callgrind's zero and dump requests; only instructions inside the library's exports
# (and what they call) are collected. Needs valgrind and the native build
# (cmake --preset native && cmake --build --preset native).
set -euo pipefail
source "$(dirname "$0")/callcost_env.sh"

scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(rareavg10 rareavg50 rareavg200 trendrev findgemadd \
  findgemcalc bspcalc prcnorm)

printf '| %-12s | %22s | %26s |\n' scenario "instructions per call" "heap allocations per call"
printf '|%s|%s|%s|\n' -------------- ------------------------ ----------------------------
for s in "${scenarios[@]}"; do
  out="$work/$s.out"
  valgrind --tool=callgrind --collect-atstart=no --toggle-collect='VQM_*' \
    --callgrind-out-file="$work/$s.cg" "$bin" "$s" > "$out" 2> "$work/$s.err" \
    || { cat "$work/$s.err" >&2; exit 1; }
  read -r _ calls _ allocations < "$out"
  # The first dump holds the measured calls; its totals line counts instructions.
  ir=$(awk '/^(summary|totals):/ {print $2; exit}' "$work/$s.cg.1")
  awk -v s="$s" -v ir="$ir" -v calls="$calls" -v a="$allocations" \
    'BEGIN { printf "| %-12s | %22.0f | %26.3f |\n", s, ir / calls, a / calls }'
done
