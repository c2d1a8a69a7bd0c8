#!/usr/bin/env bash
# Looks at the replay's chart as a person would: replays the sample with the native build and
# takes a screenshot of the SVG with Debian's headless Chromium (installed here when missing;
# not part of the test run). Leaves build/replay/sample.replay.png.
#   bash tools/replay/tests/screenshot_chart.sh
set -euo pipefail
cd "$(dirname "$0")/../../.."
root="$(pwd)"
if ! command -v chromium >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq chromium >/dev/null
fi
[ -x build/native/bin/vqm-replay ] || { cmake --preset native >/dev/null && cmake --build --preset native; }
out="$root/build/replay"
mkdir -p "$out"
export VQM_DRIVE_ROOT="${VQM_DRIVE_ROOT:-$root/build/drives}"
(cd "$out" && "$root/build/native/bin/vqm-replay" --quiet --out sample.replay >/dev/null)
size=$(sed -n 's/.*<svg [^>]*width="\([0-9]*\)[.0-9]*" height="\([0-9]*\)[.0-9]*".*/\1,\2/p' \
  "$out/sample.replay.svg")
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size="$size" \
  --screenshot="$out/sample.replay.png" "file://$out/sample.replay.svg" 2>/dev/null
echo "Screenshot: $out/sample.replay.png"
