#!/usr/bin/env bash
# The main job: builds both targets and shows the product, VQM_FUNC1.DLL, and its exports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null && cmake --build --preset native
cmake --preset win64 >/dev/null && cmake --build --preset win64
dll="$(pwd)/build/win64/bin/VQM_FUNC1.DLL"
echo
echo "Built: $dll"
echo "Native build: $(pwd)/build/native/bin/libVQM_FUNC1.so"
echo "Exports:"
x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2
