#!/usr/bin/env bash
# The DLL under Wine against the .so natively: the same call loop for each indicator export
# (tools/callspeed), timed in each program with the steady clock, the log off, and the ratio
# DLL / native per export. A measurement on a shared machine, not a test: run it when the
# machine is quiet, and read the load average it prints with it.
#
#   bash scripts/dll_speed.sh [--calls N] [--rounds N] [SCENARIO...]
#
# Needs both builds (cmake --build --preset native; cmake --build --preset win64) and Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$root/build/native/bin/vqm-callspeed
win=$root/build/win64/bin/vqm-callspeed.exe
for f in "$native" "$win"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "build $f first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The log off: the settings file is the program's name with .ini, in its host folder (the
# .so: VQM_HOST_DIR; the DLL: the executable's folder). Files it might write stay in $work.
printf '[RELEASE]\nWriteLog=NO\n' > "$work/vqm-callspeed.ini"
printf '[RELEASE]\nWriteLog=NO\n' > "$root/build/win64/bin/vqm-callspeed.ini"

# The two programs take turns, VQM_SPEED_TURNS times each (default 5), and each export keeps
# its fastest figure: a burst of other work on the machine then hits both sides alike. (With
# three turns, one run read ratios a fifth above the runs around it.) Both sides run pinned
# to the same CPU, as the other ratio scripts' benchmarks do.
# Each export runs in a process of its own: the exports share process-wide state (one
# pattern-search history, the random walk), so one export's figure must not depend on which
# ran before it.
turns=${VQM_SPEED_TURNS:-5}
pin=()
command -v taskset >/dev/null && pin=(taskset -c "$(($(nproc) - 1))")
options=() scenarios=()
while [ $# -gt 0 ]; do
  case "$1" in
    --*) options+=("$1" "$2"); shift 2 ;;
    *) scenarios+=("$1"); shift ;;
  esac
done
[ ${#scenarios[@]} -gt 0 ] || scenarios=(rareavg50 trendrev findgemadd findgemcalc bspcalc prcnorm)
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((t = 0; t < turns; t++)); do
  for s in "${scenarios[@]}"; do
    VQM_HOST_DIR="$work" VQM_DRIVE_ROOT="$work/drives" ${pin[@]+"${pin[@]}"} "$native" \
      ${options[@]+"${options[@]}"} "$s" >> "$work/native.txt"
    (cd "$work" && WINEPREFIX="$root/build/win64/wineprefix" WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml=" ${pin[@]+"${pin[@]}"} /usr/lib/wine/wine64 "$win" \
       ${options[@]+"${options[@]}"} "$s" | tr -d '\r') >> "$work/dll.txt"
  done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

fastest() { awk '!($1 in m) || $2 < m[$1] { m[$1] = $2 } END { for (k in m) print k, m[k] }' "$1" | sort; }
printf '| %-12s | %14s | %14s | %9s |\n' export "native ns/call" "DLL ns/call" "DLL/native"
printf '|%s|%s|%s|%s|\n' -------------- ---------------- ---------------- -----------
join <(fastest "$work/native.txt") <(fastest "$work/dll.txt") |
  awk '{ printf "| %-12s | %14.1f | %14.1f | %9.2f |\n", $1, $2, $3, $3 / $2 }'
