#!/usr/bin/env bash
# Builds and runs every test: natively, natively under ASan+UBSan, the Windows build under
# Wine against the real VQM_FUNC1.DLL, the release packages unpacked and used, the thread
# tests under ThreadSanitizer and a short round of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
passed=0
failed=0
tests_passed=0
tests_failed=0
record() { if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi; }
for preset in native sanitize win64; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  rc=0
  ctest --preset "$preset" || rc=1
  record $rc
  log="build/$preset/Testing/Temporary/LastTest.log"
  if [ -f "$log" ]; then
    grep -E "^\[==========\] .* ran|^\[  PASSED  \]|^\[  FAILED  \]|^Testing on" "$log" || true
    # Count the suites' own tests, not just the CTest entries that ran them (every
    # GoogleTest binary of the preset: the library's suite and the replay tool's).
    n=$(grep -oE "^\[  PASSED  \] [0-9]+" "$log" | awk '{s += $NF} END {print s + 0}' || true)
    f=$(grep -oE "^\[  FAILED  \] [0-9]+ test" "$log" | awk '{s += $4} END {print s + 0}' || true)
    tests_passed=$((tests_passed + ${n:-0}))
    tests_failed=$((tests_failed + ${f:-0}))
  fi
  if [ "$preset" = native ]; then
    # The Python package over the native library just built, with Debian's interpreter.
    echo "=== python ==="
    rc=0
    PYTHONDONTWRITEBYTECODE=1 VQM_LIBRARY="$PWD/build/native/bin/libVQM_FUNC1.so" \
      /usr/bin/python3 -m pytest -q \
      -p no:cacheprovider python/tests || rc=1
    record $rc
  fi
done
if [ -f scripts/package.sh ]; then
  echo "=== package ==="
  rc=0
  bash scripts/package.sh || rc=1
  record $rc
fi
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
echo "tests: $tests_passed passed, $tests_failed failed"
[ "$failed" -eq 0 ]
