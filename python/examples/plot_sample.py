"""The guide's worked example: the regression average and the ribbon position over the
bundled sample bars, drawn with matplotlib into docs/python_sample.png.

  VQM_LIBRARY=build/native/bin/libVQM_FUNC1.so /usr/bin/python3 python/examples/plot_sample.py
"""
import os
import sys

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt  # noqa: E402
import pandas as pd  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "python"))
import vqm  # noqa: E402

SAMPLE = os.path.join(ROOT, "tools", "replay", "sample", "sample_bars.csv")
PICTURE = os.path.join(ROOT, "docs", "python_sample.png")


def load_bars(path):
    bars = pd.read_csv(path, comment="#", dtype={"Date": str, "Time": str})
    bars.index = pd.to_datetime(bars.Date + bars.Time.str.zfill(4), format="%Y%m%d%H%M")
    return bars


def main():
    bars = load_bars(SAMPLE)
    average = vqm.rare_avg(bars.Close, regr=20, resp_fac=60)  # intraday: restarts each day
    ribbon = vqm.trend_reversal(bars.Close, fast=10, slow=120)

    session = bars.index.normalize() == bars.index.normalize()[-1]  # the last session
    fig, (top, bottom) = plt.subplots(2, 1, figsize=(10, 6), sharex=True,
                                      gridspec_kw={"height_ratios": [3, 1]})
    top.plot(bars.index[session], bars.Close[session], color="0.6", lw=0.8, label="close")
    top.plot(average.index[session], average[session], color="tab:blue", lw=1.2,
             label="rare_avg (regr=20)")
    top.set_ylabel("price")
    top.legend(loc="upper left")
    top.set_title("Sample bars, last session")
    bottom.step(ribbon.index[session], ribbon.position[session], where="post", color="tab:red",
                lw=0.9)
    bottom.set_ylabel("ribbon position")
    bottom.set_ylim(-110, 110)
    bottom.set_yticks([-100, 0, 100])
    fig.autofmt_xdate()
    fig.tight_layout()
    fig.savefig(PICTURE, dpi=80, metadata={"Software": None})
    print(PICTURE)


if __name__ == "__main__":
    main()
