#!/usr/bin/env bash
# Builds and runs every test: natively, natively under ASan+UBSan, the Windows build under
# Wine against the real VQM_FUNC1.DLL, the thread tests under ThreadSanitizer and a short
# round of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
passed=0
failed=0
record() { if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi; }
for preset in native sanitize win64; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  rc=0
  ctest --preset "$preset" || rc=1
  record $rc
  log="build/$preset/Testing/Temporary/LastTest.log"
  [ -f "$log" ] && grep -E "^\[==========\] .* ran|^\[  PASSED  \]|^\[  FAILED  \]|^Testing on" "$log" || true
done
if [ -f scripts/tsan.sh ]; then
  echo "=== tsan ==="
  rc=0
  bash scripts/tsan.sh || rc=1
  record $rc
fi
if [ -f scripts/fuzz.sh ]; then
  echo "=== fuzz ==="
  rc=0
  bash scripts/fuzz.sh "${VQM_FUZZ_SECONDS:-15}" || rc=1
  record $rc
fi
echo
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
