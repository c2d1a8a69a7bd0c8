#!/usr/bin/env bash
# Looks at the replay's chart as a person would, at three spans: 250 daily bars, the bundled
# 3 600 one-minute bars and 1 000 000 one-minute bars (random walks by make_walk.py). Replays
# each with the native build and takes a screenshot of its SVG with Debian's headless
# Chromium (installed here when missing; not part of the test run). Leaves the PNG files in
# build/replay/screens.
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
out="$root/build/replay/screens"
mkdir -p "$out"
python3 tools/replay/tests/make_walk.py 250 daily >"$out/daily250.csv"
python3 tools/replay/tests/make_walk.py 1000000 minute >"$out/minute1m.csv"
shoot() {  # name, then the tool's arguments
  local name="$1"
  shift
  "$root/build/native/bin/vqm-replay" --quiet --out "$out/$name" "$@"
  local svg="$out/$name/replay.svg"
  local size
  size=$(sed -n 's/.*<svg [^>]*width="\([0-9]*\)[.0-9]*" height="\([0-9]*\)[.0-9]*".*/\1,\2/p' "$svg")
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size="$size" \
    --screenshot="$out/$name.png" "file://$svg" 2>/dev/null
  echo "Screenshot: $out/$name.png ($(stat -c %s "$svg") bytes of SVG)"
}
shoot daily250 "$out/daily250.csv"
shoot sample3600
shoot minute1m "$out/minute1m.csv"
