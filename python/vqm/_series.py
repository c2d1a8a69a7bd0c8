"""The indicators as streaming series over the library's series API. Each class owns one
native series: update() pushes one bar, update_many() pushes arrays in one call, reset()
starts afresh, close() frees it (also on leaving a `with` block)."""
import ctypes

import numpy as np

from . import _convert as cv
from ._errors import check
from ._library import LIB

RARE_AVG_ERROR = np.float32(1000000000.0)  # the average's own "no result"


def no_result_as_nan(values):
    """The regression average's failure value 1000000000.0 as NaN."""
    out = np.array(values, dtype=np.float32, copy=True)
    out[out == RARE_AVG_ERROR] = np.nan
    return out


class _Series:
    _create = None  # the vqm_*_create function

    def __init__(self, *parameters):
        handle = ctypes.c_void_p()
        check(self._create(*parameters, ctypes.byref(handle)), type(self).__name__)
        self._handle = handle

    @property
    def closed(self):
        return self._handle is None

    def _live(self):
        if self._handle is None:
            raise ValueError("%s is closed" % type(self).__name__)
        return self._handle

    def reset(self):
        """Starts the series afresh, as it was created."""
        check(LIB.vqm_series_reset(self._live()), "reset")

    def close(self):
        """Frees the native series and its memory; further use raises ValueError."""
        if self._handle is not None:
            LIB.vqm_series_free(self._handle)
            self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:  # interpreter shutdown: the library may be gone already
            pass


class RareAvg(_Series):
    """The weighted regression average: regr (nScopeRegr), wgt (nScopeWgt, 0 for the default),
    resp_fac (nRespFac), bar_type, day_continuity as the VQM_RareAvg export takes them."""
    _create = LIB.vqm_rare_avg_create

    def __init__(self, regr=20, wgt=0, resp_fac=60, bar_type=1, day_continuity=0):
        super().__init__(regr, wgt, resp_fac, bar_type, day_continuity)
        self._result = ctypes.c_float()

    def update(self, value, timestamp, bar_number=None):
        """One bar: its average, NaN where the indicator gives none. The bar number of the
        previous bar replaces it (None: always a new bar)."""
        date, time = cv.host_date_time_one(timestamp)
        return self.update_host(value, date, time, bar_number)

    def update_host(self, value, date, time, bar_number=None):
        """update() with the host's date and time, as the export takes them."""
        if bar_number is None:
            d, t = ctypes.c_int(date), ctypes.c_int(time)
            v = ctypes.c_float(value)
            check(LIB.vqm_rare_avg_push_n(self._live(), 1, ctypes.byref(d), ctypes.byref(t), None,
                                          ctypes.byref(v), ctypes.byref(self._result)), "update")
        else:
            check(LIB.vqm_rare_avg_push(self._live(), date, time, bar_number, value,
                                        ctypes.byref(self._result)), "update")
        r = self._result.value
        return float("nan") if r == RARE_AVG_ERROR else r

    def update_many(self, values, date, time, bar_numbers=None):
        """n bars from arrays of values and host dates and times; float32 results."""
        v = cv.floats(values, "values")
        d = cv.ints(date, "date")
        t = cv.ints(time, "time")
        b = None if bar_numbers is None else cv.ints(bar_numbers, "bar_numbers")
        arrays = dict(values=v, date=d, time=t)
        if b is not None:
            arrays["bar_numbers"] = b
        n = cv.same_length(**arrays)
        out = np.empty(n, np.float32)
        check(LIB.vqm_rare_avg_push_n(self._live(), n, cv.int_pointer(d), cv.int_pointer(t),
                                      None if b is None else cv.int_pointer(b),
                                      cv.float_pointer(v), cv.float_pointer(out)), "update_many")
        return no_result_as_nan(out)


class TrendReversal(_Series):
    """Where the price stands in a ribbon of simple averages from fast to slow."""
    _create = LIB.vqm_trend_reversal_create

    def __init__(self, fast=10, slow=120, width_factor=1.0):
        super().__init__(fast, slow, width_factor)
        self._out = (ctypes.c_int(), ctypes.c_float(), ctypes.c_float())

    def update(self, price, timestamp):
        """One bar: (status, position, width); status 0 inside, 1 below, 2 above."""
        date, time = cv.host_date_time_one(timestamp)
        s, p, w = self._out
        check(LIB.vqm_trend_reversal_push(self._live(), date, time, price,
                                          ctypes.byref(s), ctypes.byref(p), ctypes.byref(w)),
              "update")
        return s.value, p.value, w.value

    def update_many(self, price, date, time):
        x = cv.floats(price, "price")
        d = cv.ints(date, "date")
        t = cv.ints(time, "time")
        n = cv.same_length(price=x, date=d, time=t)
        status = np.empty(n, np.int32)
        position = np.empty(n, np.float32)
        width = np.empty(n, np.float32)
        check(LIB.vqm_trend_reversal_push_n(self._live(), n, cv.int_pointer(d), cv.int_pointer(t),
                                            cv.float_pointer(x), cv.int_pointer(status),
                                            cv.float_pointer(position), cv.float_pointer(width)),
              "update_many")
        return {"status": status, "position": position, "width": width}


class BuySellPressure(_Series):
    """The buy/sell pressure of each bar's up-tick and down-tick volume."""
    _create = LIB.vqm_bsp_create

    def __init__(self, avg_len=10, vol_len=20, style=1):
        super().__init__(avg_len, vol_len, style)
        self._pressure = ctypes.c_float()

    def update(self, up, down):
        check(LIB.vqm_bsp_push(self._live(), up, down, ctypes.byref(self._pressure)), "update")
        return self._pressure.value

    def update_many(self, up, down):
        u = cv.floats(up, "up")
        d = cv.floats(down, "down")
        n = cv.same_length(up=u, down=d)
        out = np.empty(n, np.float32)
        check(LIB.vqm_bsp_push_n(self._live(), n, cv.float_pointer(u), cv.float_pointer(d),
                                 cv.float_pointer(out)), "update_many")
        return out


EXCURSIONS = ("fall_below_low", "rise_above_low", "rise_above_high", "fall_below_high")


class PatternSearch(_Series):
    """Hindsight excursions after the bar `scope` bars back, with the mode of VQM_FindGemAdd;
    integer prices divided by divisor."""
    _create = LIB.vqm_pattern_search_create

    def __init__(self, mode=100, divisor=1):
        super().__init__(mode, divisor)
        self._status = ctypes.c_int()
        self._excursions = (ctypes.c_float * 4)()

    def update(self, timestamp, open, high, low, close, volume):
        """One bar: (status, four excursions); the excursions are NaN while status is -1."""
        date, time = cv.host_date_time_one(timestamp)
        check(LIB.vqm_pattern_search_push(self._live(), date, time, open, high, low,
                                          close, volume, ctypes.byref(self._status),
                                          self._excursions), "update")
        status = self._status.value
        values = tuple(self._excursions) if status >= 0 else (float("nan"),) * 4
        return (status,) + values

    def update_many(self, date, time, open, high, low, close, volume):
        cols = [cv.ints(a, name) for a, name in
                ((date, "date"), (time, "time"), (open, "open"), (high, "high"), (low, "low"),
                 (close, "close"), (volume, "volume"))]
        n = cv.same_length(**{name: c for name, c in
                              zip(("date", "time", "open", "high", "low", "close", "volume"),
                                  cols)})
        status = np.empty(n, np.int32)
        excursions = np.empty((n, 4), np.float32)
        check(LIB.vqm_pattern_search_push_n(self._live(), n, *[cv.int_pointer(c) for c in cols],
                                            cv.int_pointer(status),
                                            cv.float_pointer(excursions)), "update_many")
        excursions[status < 0] = np.nan
        result = {"status": status}
        result.update({name: excursions[:, k] for k, name in enumerate(EXCURSIONS)})
        return result


class PriceNorm(_Series):
    """Five integer prices per bar rescaled by factor, rounded as VQM_F_PrcNorm rounds."""
    _create = LIB.vqm_price_norm_create

    def __init__(self, factor):
        super().__init__(factor)

    def update(self, prices):
        return tuple(self.update_many(np.asarray(prices).reshape(1, 5))[0])

    def update_many(self, prices):
        p = cv.ints(prices, "prices", ndim=2)
        if p.shape[1] != 5:
            raise ValueError("prices must have 5 columns, not %d" % p.shape[1])
        out = np.empty_like(p)
        check(LIB.vqm_price_norm_push_n(self._live(), len(p), cv.int_pointer(p),
                                        cv.int_pointer(out)), "update_many")
        return out
