#!/usr/bin/env bash
# Builds and runs every benchmark and prints each figure as a ratio to its baseline measured
# in the same run. Fetches the averages' peer (Tulip Indicators, from the npm package
# "tulind") into the build tree when npm can have it; without it that column is left out.
#   bash scripts/bench.sh              all benchmarks (a few minutes)
#   bash scripts/bench.sh REGEX        only those whose name matches
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
command -v python3 >/dev/null || apt-get install -y -qq python3 >/dev/null
peer="$(pwd)/build/peer"
if [ ! -f "$peer/package/external/tiamalgamation.c" ] && command -v npm >/dev/null; then
  mkdir -p "$peer"
  (cd "$peer" && timeout 120 npm pack tulind@0.8.20 >/dev/null 2>&1 && tar xzf tulind-0.8.20.tgz) ||
    echo "Tulip Indicators could not be fetched: its column is left out"
fi
peer_dir=""
[ -f "$peer/package/external/tiamalgamation.c" ] && peer_dir="$peer/package/external"
cmake --preset native -DVQM_PEER_DIR="$peer_dir" >/dev/null
cmake --build --preset native --target vqm_bench
export VQM_DRIVE_ROOT="$(pwd)/build/native/drives"
out="build/native/bench.json"
./build/native/bin/vqm_bench --benchmark_filter="${1:-.}" --benchmark_out="$out" \
  --benchmark_out_format=json
python3 scripts/bench_ratios.py "$out"
