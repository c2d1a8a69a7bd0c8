#!/usr/bin/env bash
# Builds the ThreadSanitizer preset and runs the tests that use threads under it: every
# test suite whose name starts with "Threaded" (the eight-thread stress of the indicator
# exports, the MIDI device's worker, tick, speech and unload tests). A new test that starts
# threads joins them by its suite's name. Any ThreadSanitizer report fails the run (exit code 66 from the sanitizer).
# VQM_STRESS_CALLS scales the stress test (default 1 000 000 calls per backend).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset tsan >/dev/null
cmake --build --preset tsan
export VQM_TEST_PLATFORM=native
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 ${TSAN_OPTIONS:-}"
log=build/tsan/thread_tests.log
filter='Threaded*:*/Threaded*'
status=0
(cd build/tsan/tests && ../bin/vqm_tests --gtest_filter="$filter" --gtest_color=no) >"$log" 2>&1 ||
  status=$?
grep -E "^\[==========\] .* ran|^\[  PASSED  \]|^\[  FAILED  \]|calls on .* threads" "$log" || true
if grep -q "WARNING: ThreadSanitizer" "$log"; then
  echo "ThreadSanitizer reported (see $log)"
  status=66
fi
[ "$status" -eq 0 ] && echo "ThreadSanitizer: no report" || echo "thread tests failed: $status"
exit "$status"
