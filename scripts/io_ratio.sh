#!/usr/bin/env bash
# The file writers and the loader against their baselines, as speeds, steadied against a
# shared machine (scripts/ratio_rounds.sh): the log writer against a raw write() of the same
# line, VQM_SaveDataToCsv against opening, appending and closing the file itself, VQM_LoadCol
# against `wc -l` on the same 200 MB file. Each round is one run of each benchmark as it
# stands, in a fresh process pinned to one CPU; the speed printed is the baseline's fastest
# round over the writer's or loader's (above 1: faster than the baseline), beside the median
# of the rounds' own.
#
#   bash scripts/io_ratio.sh                     # all three, 5 rounds, about two minutes
#   ROUNDS=9 bash scripts/io_ratio.sh LogWriter
#   VQM_BENCH=/path/to/vqm_bench bash scripts/io_ratio.sh     # another build
#
# A load's run is five loads in a new process, the first of them into memory the process has
# never touched, as in the benchmark itself. Needs the native build
# (cmake --preset native && cmake --build --preset native).
source "$(dirname "$0")/ratio_rounds.sh"
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(LogWriter SaveDataToCsv LoadCol)

export RATIO_REPETITIONS=1
ratio_header writer baseline
for name in "${names[@]}"; do
  case $name in
    LogWriter) ratio_row "log writer : write()" '^BM_LogWriterLine$' '^BM_RawWriteLine$' ;;
    SaveDataToCsv) ratio_row "SaveDataToCsv : open-append-close" '^BM_SaveDataToCsvRow/' \
      '^BM_OpenAppendCloseRow/' ;;
    LoadCol) ratio_row "LoadCol : wc -l" '^BM_LoadColLoad/' '^BM_WcLines/' ;;
    *) echo "unknown: $name (LogWriter, SaveDataToCsv or LoadCol)" >&2; exit 1 ;;
  esac
done
