"""The VQM_FUNC1 indicators over whole arrays of bars, bit for bit what the platform's DLL
computes live.

Batch functions take NumPy arrays (or pandas Series, whose index the results keep) and give
one result per bar; the streaming classes (RareAvg, TrendReversal, BuySellPressure,
PatternSearch, PriceNorm) take one bar at a time. Nothing here writes a file."""
from . import _convert as _cv
from ._errors import ParameterError, SeriesClosedError, VqmError
from ._library import LIB as _LIB, library_path
from ._series import (EXCURSIONS, BuySellPressure, PatternSearch, PriceNorm, RareAvg,
                      TrendReversal)

__all__ = ["rare_avg", "trend_reversal", "bsp", "pattern_search", "price_norm", "RareAvg",
           "TrendReversal", "BuySellPressure", "PatternSearch", "PriceNorm", "VqmError",
           "ParameterError", "SeriesClosedError", "library_path", "EXCURSIONS"]
# The version of the library in use: one number, kept in the build (CMakeLists.txt).
__version__ = _LIB.vqm_version().decode("ascii")


def rare_avg(values, timestamps=None, *, regr=20, wgt=0, resp_fac=60, bar_type=1,
             day_continuity=0, bar_numbers=None):
    """The weighted regression average of every value (float32; NaN where it gives none).
    timestamps: the bars' datetimes (default: the DatetimeIndex of a pandas input)."""
    date, time = _cv.timestamps_of(timestamps, values)
    with RareAvg(regr, wgt, resp_fac, bar_type, day_continuity) as series:
        out = series.update_many(values, date, time, bar_numbers)
    return _cv.shaped(out, _cv.index_of(values), "rare_avg")


def trend_reversal(price, timestamps=None, *, fast=10, slow=120, width_factor=1.0):
    """Status (0 inside, 1 below, 2 above), position (-100..100) and width of every bar in
    the ribbon of simple averages: a dict of arrays, or a DataFrame for a pandas input."""
    date, time = _cv.timestamps_of(timestamps, price)
    with TrendReversal(fast, slow, width_factor) as series:
        out = series.update_many(price, date, time)
    return _cv.shaped(out, _cv.index_of(price))


def bsp(up, down, *, avg_len=10, vol_len=20, style=1):
    """The buy/sell pressure of every bar from its up-tick and down-tick volume (float32)."""
    with BuySellPressure(avg_len, vol_len, style) as series:
        out = series.update_many(up, down)
    return _cv.shaped(out, _cv.index_of(up, down), "bsp")


def pattern_search(open, high, low, close, volume, timestamps=None, *, mode=100, divisor=1):
    """Status (the scope, or -1 while too few bars precede) and the four excursions of every
    bar; integer prices divided by divisor. A dict of arrays, or a DataFrame."""
    date, time = _cv.timestamps_of(timestamps, close)
    with PatternSearch(mode, divisor) as series:
        out = series.update_many(date, time, open, high, low, close, volume)
    return _cv.shaped(out, _cv.index_of(open, high, low, close, volume))


def price_norm(prices, factor):
    """n rows of five integer prices rescaled by factor (int32, same shape)."""
    with PriceNorm(factor) as series:
        out = series.update_many(prices)
    if _cv.is_pandas(prices):
        return _cv.pd.DataFrame(out, index=prices.index, columns=prices.columns)
    return out
