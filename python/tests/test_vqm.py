"""The package against the library's per-bar exports: one table of indicators, each run in
batch, streaming and export mode over the same random bars, all bit for bit equal; then the
refusals of bad input, and a run that must leave the file system as it was."""
import os
import re
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest

import exports
import vqm


def random_bars(seed, n=700):
    """Minute bars of several sessions; now and then a bar repeats (same time and bar number)
    or the stream goes back a day, which restarts the date-keyed indicators."""
    rng = np.random.default_rng(seed)
    stamps, numbers = [], []
    day, minute, number = 0, 570, 0
    for _ in range(n):
        roll = rng.integers(100)
        if roll < 6 and stamps:
            pass
        elif roll < 8 and day > 0:
            day, minute, number = day - 1, 570, number + 1
        elif roll < 12 or minute > 950:
            day, minute, number = day + 1, 570, number + 1
        else:
            minute, number = minute + 1, number + 1
        stamps.append(np.datetime64("2024-03-04") + np.timedelta64(day, "D") +
                      np.timedelta64(minute, "m"))
        numbers.append(number)
    close = 5000 + np.cumsum(rng.normal(0, 1.5, n))
    bars = pd.DataFrame({
        "close": close,
        "high": close + rng.uniform(0, 2, n),
        "low": close - rng.uniform(0, 2, n),
        "up": rng.integers(0, 400, n).astype(float),
        "down": rng.integers(0, 400, n).astype(float),
        "volume": rng.integers(0, 5000, n),
        "bar": np.array(numbers, np.int32),
    }, index=pd.DatetimeIndex(stamps))
    for col in ("close", "high", "low"):
        bars[col + "_int"] = np.round(bars[col] * 100).astype(np.int32)
    date, time = vqm._convert.host_date_time(bars.index)
    bars["date"], bars["time"] = date, time
    return bars


def ohlcv(b):
    return b.close_int, b.high_int, b.low_int, b.close_int, b.volume


def streamed(series, rows, names):
    """Every row pushed through series.update(*row); the outputs as arrays under names."""
    with series:
        outputs = [series.update(*row) for row in rows]
    if len(names) == 1:
        return {names[0]: np.array(outputs)}
    return {name: np.array(column) for name, column in zip(names, zip(*outputs))}


TREND = ("status", "position", "width")
SEARCH = ("status",) + vqm.EXCURSIONS

# name: (batch, streaming, export), each bars -> dict of arrays
CASES = {
    "rare_avg_intraday": (
        lambda b: {"r": vqm.rare_avg(b.close, bar_numbers=b.bar, regr=12, resp_fac=40)},
        lambda b: streamed(vqm.RareAvg(12, 0, 40, 1, 0), zip(b.close, b.index, b.bar), "r"),
        lambda b: {"r": exports.rare_avg(b.close, b.date, b.time, b.bar, 12, 0, 40, 1, 0)}),
    "rare_avg_daily_repeated": (
        lambda b: {"r": vqm.rare_avg(b.close.to_numpy(), b.index, bar_numbers=b.bar, regr=20,
                                     resp_fac=260, bar_type=2, day_continuity=1)},
        lambda b: streamed(vqm.RareAvg(20, 0, 260, 2, 1), zip(b.close, b.index, b.bar), "r"),
        lambda b: {"r": exports.rare_avg(b.close, b.date, b.time, b.bar, 20, 0, 260, 2, 1)}),
    "trend_reversal": (
        lambda b: dict(vqm.trend_reversal(b.close, fast=5, slow=40, width_factor=2.0)),
        lambda b: streamed(vqm.TrendReversal(5, 40, 2.0), zip(b.close, b.index), TREND),
        lambda b: exports.trend_reversal(b.close, b.date, b.time, 5, 40, 2.0)),
    "pattern_search": (
        lambda b: dict(vqm.pattern_search(*ohlcv(b), mode=-1030, divisor=100)),
        lambda b: streamed(vqm.PatternSearch(-1030, 100), zip(b.index, *ohlcv(b)), SEARCH),
        lambda b: exports.pattern_search(b.date, b.time, *ohlcv(b), -1030, 100)),
    "price_norm": (
        lambda b: {"p": vqm.price_norm(np.stack(ohlcv(b), axis=1), 0.37)},
        lambda b: streamed(vqm.PriceNorm(0.37), ((row,) for row in np.stack(ohlcv(b), 1)), "p"),
        lambda b: {"p": exports.price_norm(np.stack(ohlcv(b), axis=1), 0.37)}),
}


def bits(a):
    a = np.asarray(a)
    if a.dtype.kind == "f":
        return np.asarray(a, np.float32).view(np.uint32)
    return np.asarray(a, np.int64)


@pytest.mark.parametrize("name", sorted(CASES))
def test_batch_streaming_and_export_agree_bit_for_bit(name):
    bars = random_bars(sum(map(ord, name)))
    results = [mode(bars) for mode in CASES[name]]
    reference = results[2]
    assert any(np.isfinite(np.asarray(v, float)).any() for v in reference.values())
    for mode, result in zip(("batch", "streaming"), results[:2]):
        assert sorted(result) == sorted(reference), mode
        for key in reference:
            np.testing.assert_array_equal(bits(result[key]), bits(reference[key]),
                                          err_msg="%s %s %s" % (name, mode, key))


def test_buy_sell_pressure_batch_equals_streaming():
    # The pressure's export needs the platform's host object; the C++ suite compares it.
    bars = random_bars(5)
    batch = vqm.bsp(bars.up, bars.down, avg_len=4, vol_len=6, style=2)
    assert isinstance(batch, pd.Series) and batch.index.equals(bars.index)
    with vqm.BuySellPressure(4, 6, 2) as s:
        one_by_one = np.array([s.update(u, d) for u, d in zip(bars.up, bars.down)], np.float32)
    np.testing.assert_array_equal(bits(batch), bits(one_by_one))


def test_reset_repeats_and_close_refuses():
    bars = random_bars(9, 120)
    with vqm.RareAvg(10) as s:
        first = s.update_many(bars.close, bars.date, bars.time)
        s.reset()
        again = s.update_many(bars.close, bars.date, bars.time)
    np.testing.assert_array_equal(bits(first), bits(again))
    assert s.closed
    with pytest.raises(ValueError, match="closed"):
        s.update(1.0, bars.index[0])


t0 = np.datetime64("2024-03-04T09:30")
BAD_INPUT = [
    (lambda: vqm.bsp([1.0, 2.0], [1.0]), ValueError, "length"),
    (lambda: vqm.rare_avg(np.ones(3), [t0] * 2), ValueError, "length"),
    (lambda: vqm.bsp(np.array(["a", "b"]), np.ones(2)), TypeError, "real numbers"),
    (lambda: vqm.bsp(np.ones(2, complex), np.ones(2)), TypeError, "real numbers"),
    (lambda: vqm.price_norm(np.ones((2, 5)), 2.0), TypeError, "integers"),
    (lambda: vqm.price_norm(np.ones((2, 4), int), 2.0), ValueError, "5 columns"),
    (lambda: vqm.price_norm(np.full((1, 5), 2**40), 2.0), ValueError, "32 bits"),
    (lambda: vqm.rare_avg(np.ones(2), np.array([t0, "NaT"], "M8[m]")), ValueError, "NaT"),
    (lambda: vqm.rare_avg(np.ones(2), np.arange(2.0)), TypeError, "datetimes"),
    (lambda: vqm.rare_avg(np.ones(2)), ValueError, "timestamps are needed"),
    (lambda: vqm.RareAvg().update(1.0, np.datetime64("NaT")), ValueError, "NaT"),
    (lambda: vqm.RareAvg(regr=2000000), vqm.ParameterError, "parameter"),
    (lambda: vqm.TrendReversal(fast=20, slow=10), vqm.ParameterError, "parameter"),
    (lambda: vqm.BuySellPressure(avg_len=0), vqm.ParameterError, "parameter"),
    (lambda: vqm.PatternSearch(divisor=0), vqm.ParameterError, "parameter"),
    (lambda: vqm.trend_reversal(np.ones(1), [np.datetime64("1985-01-01")]), vqm.ParameterError,
     "date"),
]


@pytest.mark.parametrize("call, error, text", BAD_INPUT)
def test_bad_input_raises_a_clear_exception(call, error, text):
    with pytest.raises(error, match=text):
        call()


WRITER = """
import numpy as np, vqm
t = np.datetime64("2024-03-04T09:30") + np.arange(300).astype("m8[m]")
x = 100 + np.cumsum(np.sin(np.arange(300.0)))
vqm.rare_avg(x, t, regr=10); vqm.trend_reversal(x, t, fast=3, slow=20)
vqm.bsp(x, x[::-1]); vqm.price_norm(np.ones((3, 5), int), 2.0)
vqm.pattern_search(*(np.round(x * 100).astype(int),) * 4, np.ones(300, int), t, mode=20)
with vqm.RareAvg(10) as s: s.update(1.0, t[0])
"""


def snapshot(root):
    """Every path under root with its size and modification time."""
    seen = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            try:
                st = os.lstat(path)
            except OSError:
                continue
            seen[path] = (st.st_size, st.st_mtime_ns)
    return seen


def test_importing_and_computing_writes_no_file(tmp_path):
    # A fresh interpreter with a home of its own and the library's default drive root in it;
    # the interpreter's own folder is watched too (where the settings file would go).
    home = tmp_path / "home"  # the working folder is tmp_path, so it is watched as well
    (home / ".vqm" / "drives").mkdir(parents=True)
    env = {k: v for k, v in os.environ.items() if not k.startswith("VQM_") or k == "VQM_LIBRARY"}
    env.update(HOME=str(home), PYTHONPATH=os.path.dirname(os.path.dirname(vqm.__file__)),
               PYTHONDONTWRITEBYTECODE="1")
    watched = [str(tmp_path), os.path.dirname(os.path.realpath(sys.executable))]
    before = [snapshot(w) for w in watched]
    subprocess.run([sys.executable, "-c", WRITER], env=env, check=True, cwd=str(tmp_path))
    after = [snapshot(w) for w in watched]
    assert before == after


def test_version_is_the_one_of_the_build():
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "CMakeLists.txt")) as cmake:
        expected = re.search(r"project\(VQM_FUNC1 VERSION ([0-9.]+)", cmake.read()).group(1)
    assert vqm.__version__ == expected
