#!/usr/bin/env bash
# Lookup scaling in wall time, steadied against a shared machine: for each manager, one
# series and 10 000 series called in turn (vqm_bench's `<Manager>Live.../(1|10000)/`), each
# count in a fresh process pinned to one CPU, the two counts alternating ROUNDS times. A
# shared machine slows down in spells that last seconds to minutes; a spell that hits only
# one of the two counts moves their ratio, so the ratio printed is of each count's fastest
# round (both then ran outside a spell), beside the median of the rounds' own ratios.
#
#   bash scripts/lookup_ratio.sh                 # every manager, 5 rounds, a few minutes
#   ROUNDS=9 bash scripts/lookup_ratio.sh TrendRevLiveSeries
#   VQM_BENCH=/path/to/vqm_bench bash scripts/lookup_ratio.sh    # another build
#
# Needs the native build (cmake --preset native && cmake --build --preset native).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${VQM_BENCH:-build/native/bin/vqm_bench}
[ -x "$bin" ] || { echo "build $bin first (cmake --build --preset native)" >&2; exit 1; }
rounds=${ROUNDS:-5}
names=("$@")
[ ${#names[@]} -gt 0 ] ||
  names=(BSPLiveInstances TrendRevLiveSeries RareAvgLiveSeries PatternSearchLiveSeries)
pin=()
command -v taskset >/dev/null && pin=(taskset -c "$(($(nproc) - 1))")

# The median real time of one count, ns.
count() {
  "${pin[@]}" "$bin" --benchmark_filter="^BM_$1/$2/" --benchmark_format=csv 2>/dev/null |
    awk -F, '/_median"/ { print $3 }'
}

printf '| %-24s | %-19s | %-19s | %-10s | %-12s |\n' benchmark "fastest 1 (ns)" \
  "fastest 10 000 (ns)" ratio "median ratio"
printf '|%s|%s|%s|%s|%s|\n' -------------------------- --------------------- \
  --------------------- ------------ --------------
for name in "${names[@]}"; do
  ones=() tens=()
  for ((r = 0; r < rounds; ++r)); do
    ones+=("$(count "$name" 1)")
    tens+=("$(count "$name" 10000)")
  done
  python3 - "$name" "${ones[*]}" "${tens[*]}" <<'EOF'
import statistics
import sys

name, ones, tens = sys.argv[1], [float(x) for x in sys.argv[2].split()], [float(x) for x in sys.argv[3].split()]
ratios = [t / o for o, t in zip(ones, tens)]
print("| %-24s | %19.1f | %19.1f | %10.2f | %12.2f |"
      % (name, min(ones), min(tens), min(tens) / min(ones), statistics.median(ratios)))
EOF
done
