#!/usr/bin/env bash
# The main job: builds both targets (the native library and tools, and VQM_FUNC1.DLL with the
# Windows build of the tools), then replays the bundled sample chart through every indicator
# with vqm-replay, natively and through the DLL under Wine, and checks that both give the same
# CSV bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
bash scripts/setup.sh
cmake --preset native >/dev/null && cmake --build --preset native
cmake --preset win64 >/dev/null && cmake --build --preset win64
dll="$root/build/win64/bin/VQM_FUNC1.DLL"
echo
echo "Built: $dll"
echo "Native build: $root/build/native/bin/libVQM_FUNC1.so"
echo "Exports:"
x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2

# The drive paths the library uses (C:/Database/...) map under this folder natively.
export VQM_DRIVE_ROOT="${VQM_DRIVE_ROOT:-$root/build/drives}"
out="$root/build/replay"
mkdir -p "$out"
echo
echo "Replaying the sample through the native library:"
(cd "$out" && "$root/build/native/bin/vqm-replay" --out sample.replay.csv)
echo
echo "Replaying the sample through VQM_FUNC1.DLL under Wine:"
# Wine's own notes (a new prefix is created on the first run) are shown only on failure.
if ! (cd "$out" && WINEPREFIX="$root/build/win64/wineprefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 \
        "$root/build/win64/bin/vqm-replay.exe" --quiet --out sample.wine.csv >/dev/null \
        2>"$out/sample.wine.log"); then
  cat "$out/sample.wine.log" >&2
  exit 1
fi
if cmp -s "$out/sample.replay.csv" "$out/sample.wine.csv"; then
  echo "The DLL under Wine wrote the same CSV: $out/sample.wine.csv"
else
  echo "The DLL under Wine wrote a different CSV: $out/sample.wine.csv" >&2
  exit 1
fi
