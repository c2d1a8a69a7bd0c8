#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each one for a bounded time, starting from its seed corpus in fuzz/corpus/<target>/.
# Fails on any crash, leak, timeout, memory blow-up or sanitizer report; prints the
# executions of each target.
#
#   bash scripts/fuzz.sh          # about 20 s per target (CI)
#   bash scripts/fuzz.sh 3600     # an hour per target
#
# Long runs go in rounds of at most 5 minutes, each a fresh process that starts from the
# corpus the rounds before it grew (build/fuzz/run/corpus/<target>/), so the library's
# process-wide series, which a run piles up by the hundred thousand, never reach the
# memory limit. Inputs that fail are kept in build/fuzz/run/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [seconds-per-target]" >&2
  exit 2
fi

bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The clang build checks the lock rule (-Wthread-safety): the probe touches guarded state
# without the lock twice and once with it, and must be refused exactly twice.
probe=$(clang++ -std=c++17 -fsyntax-only -Wthread-safety -Werror -Isrc -Iinclude \
  scripts/checks/unlocked_access.cpp 2>&1 || true)
refusals=$(grep -c "requires holding mutex 'kLibraryLock'" <<<"$probe" || true)
if [ "$refusals" != 2 ]; then
  echo "lock rule: the static check refused the probe $refusals times, not 2:" >&2
  echo "$probe" >&2
  exit 1
fi
echo "lock rule: static check active (probe refused where the lock is not held)"

run=build/fuzz/run
# Each target works in a sandbox directory of its own under TMPDIR; one that crashed leaves
# it behind, so they live here and go at the next run.
rm -rf "$run/tmp"
mkdir -p "$run/tmp"
export TMPDIR="$PWD/$run/tmp"
status=0
for program in build/fuzz/bin/*_fuzz; do
  target=$(basename "$program" _fuzz)
  corpus="$run/corpus/$target"
  artifacts="$run/artifacts/$target/"
  log="$run/$target.log"
  mkdir -p "$corpus" "$artifacts"
  : >"$log"
  left=$seconds
  executions=0
  result=ok
  while [ "$left" -gt 0 ]; do
    round=$((left < 300 ? left : 300))
    # New inputs go to the first directory; the seeds in the repository stay as they are.
    if ! "$program" -max_total_time="$round" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$corpus" "fuzz/corpus/$target" >>"$log" 2>&1; then
      result=FAILED
    fi
    units=$(grep -o 'number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
    executions=$((executions + ${units:-0}))
    left=$((left - round))
    [ "$result" = ok ] || break
  done
  printf '%-16s %12d executions in %5d s  %s\n' "$target" "$executions" "$seconds" "$result"
  if [ "$result" != ok ]; then
    status=1
    grep -E "^SUMMARY|ERROR: libFuzzer|runtime error|Test unit written" "$log" | head -5 || true
    echo "  log: $log"
  fi
done
exit $status
