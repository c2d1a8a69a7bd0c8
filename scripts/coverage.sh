#!/usr/bin/env bash
# Line coverage of src/ by the native test suite, per folder, with gcovr (installed here
# from Debian when missing; CI does not run this). Builds into build/coverage.
#
#   bash scripts/coverage.sh            # summary per folder of src/
#
set -euo pipefail
cd "$(dirname "$0")/.."
command -v gcovr >/dev/null || apt-get install -y gcovr
cmake -S . -B build/coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build build/coverage --target vqm_tests -- -j2
find build/coverage -name '*.gcda' -delete
(cd build/coverage && VQM_DRIVE_ROOT="$PWD/drives" VQM_TEST_PLATFORM=native \
  bin/vqm_tests --gtest_brief=1 >/dev/null) || echo "(some tests failed; coverage still counted)"
gcovr --root . --filter 'src/' --exclude 'src/platform/win32/' \
  --json-summary build/coverage/summary.json build/coverage >/dev/null
# Lines and covered lines per folder of src/.
python3 - build/coverage/summary.json <<'PY'
import collections, json, os, sys
lines, hit = collections.Counter(), collections.Counter()
for f in json.load(open(sys.argv[1]))["files"]:
    folder = os.path.dirname(f["filename"])
    lines[folder] += f["line_total"]
    hit[folder] += f["line_covered"]
for folder in sorted(lines):
    print("%-24s %6d lines %6.1f %%" % (folder, lines[folder], 100.0 * hit[folder] / lines[folder]))
total, covered = sum(lines.values()), sum(hit.values())
print("%-24s %6d lines %6.1f %%" % ("src without win32", total, 100.0 * covered / total))
PY
