// The benchmark program's entry. Each figure is printed next to its baseline; ratios are
// computed by scripts/bench.sh from the JSON output.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
