#!/usr/bin/env bash
# Kill -9 trials of the quote and multiplier writes: a process loads the native library and
# writes quotes (VQM_RTPM "ES") and multipliers (VQM_RTPM "*K<n>X", into a Multi.ini of 3000
# keys) as fast as it can; it is killed with SIGKILL at a random moment, and the files are
# checked: the quote file must hold one whole quote line, the multiplier file every one of
# its 3000 keys with a whole value. Repeated N times (default 50); prints the failures.
#
#   bash scripts/kill_trials.sh [N]
#
# Needs the native build (cmake --preset native && cmake --build --preset native) and python3.
# Everything is written under a fresh temporary folder ($VQM_DRIVE_ROOT and $VQM_HOST_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
lib="$PWD/build/native/bin/libVQM_FUNC1.so"
trials="${1:-50}"
[ -f "$lib" ] || { echo "missing $lib: build the native preset first" >&2; exit 2; }
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
export VQM_DRIVE_ROOT="$root/drives" VQM_HOST_DIR="$root/host"
mkdir -p "$VQM_HOST_DIR" "$VQM_DRIVE_ROOT/c/Database/RTPM"
# The host's settings switch the log off: only the quote and multiplier files are written.
printf '[RELEASE]\r\nWriteLog=NO\r\n' > "$VQM_HOST_DIR/$(basename "$(readlink -f "$(command -v python3)")").ini"

driver='
import ctypes, random, sys
lib = ctypes.CDLL(sys.argv[1])
lib.VQM_RTPM.argtypes = [ctypes.c_char_p, ctypes.c_float]
lib.VQM_RTPM.restype = ctypes.c_int
if sys.argv[2] == "seed":
    for i in range(3000):
        assert lib.VQM_RTPM(b"*K%dX" % i, 2.0) == 0
    sys.exit(0)
value = 1000.0
ready = False
while True:
    value += 0.25
    lib.VQM_RTPM(b"ES", value)
    lib.VQM_RTPM(b"*K%dX" % random.randrange(3000), random.choice([2.0, 3.0]))
    if not ready:
        open(sys.argv[3], "w").close()
        ready = True
'
check='
import re, sys
root = sys.argv[1]
faults = []
try:
    quote = open(root + "/drives/c/Database/RTPM/Quotes/ES.txt", "rb").read()
    if not re.fullmatch(rb"[0-9]+\.[0-9]{4}M\r\n", quote):
        faults.append("quote file holds %r" % quote[:40])
except OSError as e:
    faults.append("quote file: %s" % e)
try:
    text = open(root + "/drives/c/Database/RTPM/Multi.ini", "rb").read()
    keys = dict(re.findall(rb"^K([0-9]+)X=([0-9]+\.[0-9]{4,5})\r$", text, re.M))
    if len(keys) != 3000:
        faults.append("multiplier file holds %d of 3000 keys (%d bytes)" % (len(keys), len(text)))
except OSError as e:
    faults.append("multiplier file: %s" % e)
print("; ".join(faults))
sys.exit(1 if faults else 0)
'

python3 -c "$driver" "$lib" seed
quote_once=0
failed=0
for ((i = 1; i <= trials; i++)); do
  rm -f "$root/ready"
  python3 -c "$driver" "$lib" run "$root/ready" &
  pid=$!
  # Once it is writing, let it go on for 0 to 0.5 s, then kill it mid-call.
  for ((w = 0; w < 200; w++)); do [ -f "$root/ready" ] && break; sleep 0.05; done
  sleep "0.$((RANDOM % 5))$((RANDOM % 10))"
  kill -9 "$pid"
  wait "$pid" 2>/dev/null || true
  if ! out=$(python3 -c "$check" "$root"); then
    failed=$((failed + 1))
    echo "trial $i: $out"
  fi
  [ -f "$root/drives/c/Database/RTPM/Quotes/ES.txt" ] && quote_once=1
done
left=$(find "$root/drives" -name '*.~*' | wc -l)
echo "kill -9 trials: $failed of $trials with an empty, cut or incomplete file" \
     "($left temporary files of killed writes left beside them)"
[ "$quote_once" -eq 1 ] && [ "$failed" -eq 0 ]
