"""The library's per-bar exports through ctypes, one bar at a time, as a platform script
calls them: the reference the package's results must equal bit for bit."""
import ctypes
import itertools

import numpy as np

from vqm._library import LIB

_c_int_p = ctypes.POINTER(ctypes.c_int)
_c_float_p = ctypes.POINTER(ctypes.c_float)
LIB.VQM_RareAvg.restype = ctypes.c_float
LIB.VQM_RareAvg.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_float] + \
    [ctypes.c_int] * 7
LIB.VQM_TrendReversal.restype = ctypes.c_int
LIB.VQM_TrendReversal.argtypes = [ctypes.c_int, ctypes.c_char_p] + [ctypes.c_int] * 4 + \
    [ctypes.c_float] * 2 + [ctypes.c_int] * 2 + [_c_float_p] * 2
LIB.VQM_FindGemAdd.restype = ctypes.c_int
LIB.VQM_FindGemAdd.argtypes = [ctypes.c_int, ctypes.c_char_p] + [ctypes.c_int] * 3 + \
    [_c_int_p] * 5 + [ctypes.c_int]
LIB.VQM_FindGemCalc.restype = ctypes.c_int
LIB.VQM_FindGemCalc.argtypes = [ctypes.c_int, ctypes.c_char_p] + [ctypes.c_int] * 3 + \
    [_c_float_p] * 4
LIB.VQM_F_PrcNorm.restype = ctypes.c_int
LIB.VQM_F_PrcNorm.argtypes = [ctypes.c_float] + [_c_int_p] * 5

_symbols = itertools.count()


def _symbol(stem):
    return ("PYTEST_%s_%d" % (stem, next(_symbols))).encode()


def rare_avg(values, date, time, bar_numbers, regr, wgt, resp_fac, bar_type, day_continuity):
    symbol = _symbol("RA")
    out = [LIB.VQM_RareAvg(symbol, regr, wgt, float(v), int(d), int(t), resp_fac, 0, bar_type,
                           day_continuity, int(b))
           for v, d, t, b in zip(values, date, time, bar_numbers)]
    out = np.array(out, np.float32)
    out[out == np.float32(1e9)] = np.nan
    return out


def trend_reversal(price, date, time, fast, slow, width_factor):
    symbol = _symbol("TR")
    position, width = ctypes.c_float(), ctypes.c_float()
    rows = []
    for x, d, t in zip(price, date, time):
        status = LIB.VQM_TrendReversal(0, symbol, int(d), int(t), 1, 0, float(x), width_factor,
                                       fast, slow, ctypes.byref(position), ctypes.byref(width))
        rows.append((status, position.value, width.value))
    status, pos, wid = zip(*rows)
    return {"status": np.array(status, np.int32), "position": np.array(pos, np.float32),
            "width": np.array(wid, np.float32)}


def pattern_search(date, time, o, h, l, c, v, mode, divisor):
    symbol = _symbol("FG")
    status = []
    excursions = []
    e = [ctypes.c_float() for _ in range(4)]
    for row in zip(date, time, o, h, l, c, v):
        prices = [ctypes.c_int(int(x)) for x in row[2:]]
        LIB.VQM_FindGemAdd(0, symbol, int(row[0]), int(row[1]), divisor,
                           *[ctypes.byref(p) for p in prices], mode)
        s = LIB.VQM_FindGemCalc(0, symbol, int(row[0]), int(row[1]), 0,
                                *[ctypes.byref(x) for x in e])
        status.append(s)
        excursions.append([x.value if s >= 0 else np.nan for x in e])
    excursions = np.array(excursions, np.float32)
    names = ("fall_below_low", "rise_above_low", "rise_above_high", "fall_below_high")
    result = {"status": np.array(status, np.int32)}
    result.update({name: excursions[:, k] for k, name in enumerate(names)})
    return result


def price_norm(prices, factor):
    out = []
    for row in prices:
        cells = [ctypes.c_int(int(x)) for x in row]
        LIB.VQM_F_PrcNorm(factor, *[ctypes.byref(x) for x in cells])
        out.append([x.value for x in cells])
    return np.array(out, np.int32)
