"""Benchmarks of the Python package (not run in CI):

  per-bar cost of the streaming classes against one batch call, over 20 000 bars;
  memory of a parameter sweep: 1 000 regression averages over 20 000 bars, each freed.

  VQM_LIBRARY=build/native/bin/libVQM_FUNC1.so /usr/bin/python3 python/bench/bench_series.py
"""
import os
import sys
import time

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import vqm  # noqa: E402

BARS = 20000


def rss_mb():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def per_bar(label, seconds, n):
    print("%-40s %8.2f us/bar" % (label, seconds / n * 1e6))


def main():
    rng = np.random.default_rng(1)
    t = np.datetime64("2024-01-02T09:30") + np.arange(BARS).astype("m8[m]")
    x = 5000 + np.cumsum(rng.normal(0, 1, BARS))
    up, down = rng.integers(0, 400, BARS).astype(float), rng.integers(0, 400, BARS).astype(float)
    stamps = list(t.astype("M8[m]").astype(object))
    values = x.tolist()

    start = time.perf_counter()
    vqm.rare_avg(x, t, regr=20)
    per_bar("rare_avg batch", time.perf_counter() - start, BARS)
    with vqm.RareAvg(20) as s:
        start = time.perf_counter()
        for v, ts in zip(values, stamps):
            s.update(v, ts)
        per_bar("RareAvg.update (datetime)", time.perf_counter() - start, BARS)
    with vqm.RareAvg(20) as s:
        start = time.perf_counter()
        for i, v in enumerate(values):
            s.update_host(v, 1240102, 930, i)
        per_bar("RareAvg.update_host", time.perf_counter() - start, BARS)
    start = time.perf_counter()
    vqm.bsp(up, down)
    per_bar("bsp batch", time.perf_counter() - start, BARS)
    with vqm.BuySellPressure() as s:
        start = time.perf_counter()
        for u, d in zip(up.tolist(), down.tolist()):
            s.update(u, d)
        per_bar("BuySellPressure.update", time.perf_counter() - start, BARS)

    base = rss_mb()
    peak = base
    start = time.perf_counter()
    for regr in range(2, 1002):
        vqm.rare_avg(x, t, regr=regr % 50 + 2, wgt=regr // 50 + 1)
        peak = max(peak, rss_mb())
    print("sweep of 1000 parameter sets over %d bars: %.1f s, RSS %.1f MB at start, "
          "%.1f MB peak (+%.1f MB)" % (BARS, time.perf_counter() - start, base, peak, peak - base))


if __name__ == "__main__":
    main()
