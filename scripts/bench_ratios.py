#!/usr/bin/env python3
"""Prints the benchmark figures as ratios to their baselines, from Google Benchmark JSON."""
import json
import sys


def load(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        name = b["name"]
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") != "median":
                continue
            name = b["run_name"]
        runs[name] = b
    return data["context"], runs


def find(runs, prefix):
    for name, run in runs.items():
        if name.startswith(prefix):
            return run
    return None


def rate(run):
    """Items (or bytes) per second of real time."""
    if "bytes_per_second" in run:
        return run["bytes_per_second"] * run["cpu_time"] / run["real_time"]
    return run["items_per_second"] * run["cpu_time"] / run["real_time"]


def main():
    context, runs = load(sys.argv[1])
    rows = []

    def ratio(label, run, base, goal, higher_is_better):
        if run is None or base is None:
            return
        r = rate(run) / rate(base)
        if not higher_is_better:
            r = 1 / r  # time ratio
        rows.append((label, r, goal))

    for manager, prefix in [("RareAvg series, called in turn", "BM_RareAvgLiveSeries/"),
                            ("RareAvg series, the newest one", "BM_RareAvgFindAmongLiveSeries/"),
                            ("TrendRev series, called in turn", "BM_TrendRevLiveSeries/"),
                            ("BSP instances, called in turn", "BM_BSPLiveInstances/"),
                            ("pattern-search series, called in turn",
                             "BM_PatternSearchLiveSeries/")]:
        ratio("lookup cost 10 000 : 1 - " + manager, find(runs, prefix + "10000/"),
              find(runs, prefix + "1/"), "<= 1.2 (time)", False)
    for export, floor in [("VQM_RareAvg, nScopeRegr 10", "RareAvg%s/10"),
                          ("VQM_RareAvg, nScopeRegr 50", "RareAvg%s/50"),
                          ("VQM_RareAvg, nScopeRegr 200", "RareAvg%s/200"),
                          ("VQM_TrendReversal (10, 120)", "TrendReversal%s"),
                          ("VQM_FindGemAdd", "FindGemAdd%s"),
                          ("VQM_FindGemCalc (scope 100)", "FindGemCalc%s"),
                          ("VQM_BSPCalc", "BSPCalc%s"),
                          ("VQM_F_PrcNorm", "PrcNorm%s")]:
        ratio("%s time : its floor" % export, find(runs, "BM_" + floor % "OverFloor"),
              find(runs, "BM_" + floor % "Floor"), "<= 1.2 (time)", False)
    ratio("log writer lines/s : raw write()", find(runs, "BM_LogWriterLine"),
          find(runs, "BM_RawWriteLine"), ">= 0.8", True)
    ratio("VQM_SaveDataToCsv rows/s : open-append-close", find(runs, "BM_SaveDataToCsvRow"),
          find(runs, "BM_OpenAppendCloseRow"), ">= 0.8", True)
    ratio("VQM_LoadCol load bytes/s : wc -l", find(runs, "BM_LoadColLoad"),
          find(runs, "BM_WcLines"), ">= 0.5", True)
    ratio("vqm-replay's own work bars/s, 1 000 000 bars : wc -l of the file",
          find(runs, "BM_ReplayToolWork/1000000"), find(runs, "BM_ReplayBarFileLines/1000000"),
          "(reported; goal 0.5 us a bar)", True)
    for kind in ["Simple", "Exponential", "Weighted"]:
        ratio("CCalcStack %s average pushes/s : Tulip Indicators" % kind.lower(),
              find(runs, "BM_Average/%s/CalcStack" % kind), find(runs, "BM_Average/%s/Tulip" % kind),
              "(reported)", True)

    print()
    print("Machine: %s, %d CPUs at %s MHz, load %s" % (
        context.get("host_name", "?"), context.get("num_cpus", 0), context.get("mhz_per_cpu", "?"),
        ", ".join("%.1f" % x for x in context.get("load_avg", []))))
    print("%-72s %8s  %s" % ("figure", "ratio", "goal"))
    for label, r, goal in rows:
        print("%-72s %8.2f  %s" % (label, r, goal))
    print()
    print("Per-call costs (real time):")
    for name, run in sorted(runs.items()):
        if run.get("items_per_second") and not name.startswith("BM_Average"):
            print("  %-60s %10.0f ns" % (name, 1e9 / rate(run)))


if __name__ == "__main__":
    main()
