# Sourced by the callgrind scripts: checks that vqm-callcost and valgrind are there, and
# gives the library a scratch host folder and drive root with the log off. Sets $bin and
# $work (removed at exit).
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bin=build/native/bin/vqm-callcost
[ -x "$bin" ] || { echo "build $bin first (cmake --build --preset native)" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is missing (apt-get install valgrind)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VQM_HOST_DIR="$work" VQM_DRIVE_ROOT="$work/drives"
printf '[RELEASE]\nWriteLog=NO\n' > "$work/vqm-callcost.ini"
