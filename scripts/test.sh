#!/usr/bin/env bash
# Builds and runs every test: natively, natively under ASan+UBSan, and the Windows build
# under Wine against the real VQM_FUNC1.DLL.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
status=0
for preset in native sanitize win64; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if ! ctest --preset "$preset"; then status=1; fi
  log="build/$preset/Testing/Temporary/LastTest.log"
  [ -f "$log" ] && grep -E "^\[==========\] .* ran|^\[  PASSED  \]|^\[  FAILED  \]|^Testing on" "$log" || true
done
exit $status
