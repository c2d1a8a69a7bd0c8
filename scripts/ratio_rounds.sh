# Sourced by lookup_ratio.sh, floor_ratio.sh and io_ratio.sh: two benchmarks of vqm_bench set
# against each other in wall time, steadied against a shared machine. Each runs in a fresh
# process pinned to one CPU, the two alternating ROUNDS times (default 5). A shared machine
# slows down in spells that last seconds to minutes; a spell that hits only one of the two
# moves their ratio, so the ratio printed is of each one's fastest round (both then ran
# outside a spell), beside the median of the rounds' own ratios.
#
# Sets $bin (VQM_BENCH, or the native build's) and $rounds; `ratio_header` prints the machine
# and the table's head, `ratio_row NAME BASE CANDIDATE` one row, where BASE and CANDIDATE are
# benchmark filters. A round's figure is the median of the process's RATIO_REPETITIONS
# repetitions (default 3), or with RATIO_STAT=min their fastest; with RATIO_REPETITIONS=1,
# the one run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bin=${VQM_BENCH:-build/native/bin/vqm_bench}
[ -x "$bin" ] || { echo "build $bin first (cmake --build --preset native)" >&2; exit 1; }
rounds=${ROUNDS:-5}
pin=()
command -v taskset >/dev/null && pin=(taskset -c "$(($(nproc) - 1))")

# One round of a benchmark: the median (or fastest) real time of its repetitions, in ns
# whatever unit the benchmark reports in.
ratio_round() {
  "${pin[@]}" "$bin" --benchmark_filter="$1" --benchmark_repetitions="${RATIO_REPETITIONS:-3}" \
    --benchmark_format=csv 2>/dev/null | awk -F, -v stat="${RATIO_STAT:-median}" '
      BEGIN { ns["ns"] = 1; ns["us"] = 1e3; ns["ms"] = 1e6; ns["s"] = 1e9 }
      /^"BM_/ { t = $3 * ns[$5] }
      /_median"/ { median = t }
      /^"BM_/ && !/_(mean|median|stddev|cv)"/ { runs++; if (min == "" || t < min) min = t }
      END { print (stat == "min" || runs == 1 ? min : median) }'
}

# The machine the figures come from: they move with the processor, its caches and the load
# other tenants put on them, so a table says where it was taken.
ratio_machine() {
  local model l2 load
  model=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo 2>/dev/null | head -1)
  l2=$(getconf LEVEL2_CACHE_SIZE 2>/dev/null || true)
  [[ $l2 =~ ^[1-9][0-9]*$ ]] || l2=
  load=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || true)
  echo "machine: ${model:-unknown}, $(nproc) CPUs${l2:+, L2 $((l2 / 1024)) KiB}, load ${load:-unknown}"
}

ratio_header() {
  ratio_machine
  printf '| %-34s | %21s | %21s | %-6s | %-12s |\n' benchmark "fastest $1 (ns)" \
    "fastest $2 (ns)" ratio "median ratio"
  printf '|%s|%s|%s|%s|%s|\n' ------------------------------------ ----------------------- \
    ----------------------- -------- --------------
}

ratio_row() {
  local name=$1 base=$2 candidate=$3 bases=() candidates=()
  for ((r = 0; r < rounds; ++r)); do
    bases+=("$(ratio_round "$base")")
    candidates+=("$(ratio_round "$candidate")")
  done
  python3 - "$name" "${bases[*]}" "${candidates[*]}" <<'EOF'
import statistics
import sys

name = sys.argv[1]
bases, candidates = ([float(x) for x in a.split()] for a in sys.argv[2:4])
ratios = [c / b for b, c in zip(bases, candidates)]
print("| %-34s | %21.1f | %21.1f | %6.2f | %12.2f |"
      % (name, min(bases), min(candidates), min(candidates) / min(bases),
         statistics.median(ratios)))
EOF
}
