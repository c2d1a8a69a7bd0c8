"""NumPy arrays in and out: checking the caller's arrays, turning timestamps into the host's
date and time, and giving results back aligned to a pandas index when one came in."""
import ctypes

import numpy as np

try:  # pandas is optional
    import pandas as pd
except ImportError:  # pragma: no cover - exercised only where pandas is missing
    pd = None

_INT32 = np.iinfo(np.int32)


def is_pandas(x):
    return pd is not None and isinstance(x, (pd.Series, pd.DataFrame, pd.Index))


def index_of(*inputs):
    """The index of the first pandas Series or DataFrame among the inputs, else None."""
    for x in inputs:
        if pd is not None and isinstance(x, (pd.Series, pd.DataFrame)):
            return x.index
    return None


def _raw(x, name):
    if is_pandas(x):
        x = x.to_numpy()
    a = np.asarray(x)
    if a.ndim == 0:
        raise ValueError("%s must be an array, not a scalar" % name)
    return a


def floats(x, name):
    """A contiguous float32 copy of a real numeric array (as the exports take 32-bit floats)."""
    a = _raw(x, name)
    if a.dtype.kind not in "iuf":
        raise TypeError("%s must hold real numbers, not %s" % (name, a.dtype))
    if a.ndim != 1:
        raise ValueError("%s must be one-dimensional" % name)
    return np.ascontiguousarray(a, dtype=np.float32)


def ints(x, name, ndim=1):
    """A contiguous int32 copy of an integer array whose values fit 32 bits."""
    a = _raw(x, name)
    if a.dtype.kind not in "iu":
        raise TypeError("%s must hold integers, not %s" % (name, a.dtype))
    if a.ndim != ndim:
        raise ValueError("%s must be %d-dimensional" % (name, ndim))
    if a.size and (a.min() < _INT32.min or a.max() > _INT32.max):
        raise ValueError("%s holds values beyond 32 bits" % name)
    return np.ascontiguousarray(a, dtype=np.int32)


def same_length(**arrays):
    lengths = {name: len(a) for name, a in arrays.items()}
    if len(set(lengths.values())) > 1:
        raise ValueError("arrays differ in length: " +
                         ", ".join("%s %d" % item for item in lengths.items()))
    return next(iter(lengths.values()))


def host_date_time(timestamps, name="timestamps"):
    """The host's date ((year - 1900) * 10000 + month * 100 + day) and time (HHMM) of every
    timestamp: datetime64 values, pandas timestamps or Python datetimes. NaT is refused."""
    if pd is not None and isinstance(timestamps, (pd.Series, pd.Index)):
        t = timestamps.to_numpy()
    else:
        t = np.asarray(timestamps)
    if t.ndim != 1:
        raise ValueError("%s must be one-dimensional" % name)
    if t.dtype.kind == "O" and pd is not None:
        t = pd.DatetimeIndex(t).tz_localize(None).to_numpy() if len(t) else t.astype("M8[m]")
    if t.dtype.kind != "M":
        raise TypeError("%s must be datetimes, not %s" % (name, t.dtype))
    if np.isnat(t).any():
        raise ValueError("%s holds NaT (a missing timestamp)" % name)
    minutes = t.astype("M8[m]")
    days = minutes.astype("M8[D]")
    years = days.astype("M8[Y]").astype(np.int64) + 1970
    months = days.astype("M8[M]").astype(np.int64) % 12 + 1
    day = (days - days.astype("M8[M]")).astype(np.int64) + 1
    minute_of_day = (minutes - days).astype(np.int64)
    date = (years - 1900) * 10000 + months * 100 + day
    time = minute_of_day // 60 * 100 + minute_of_day % 60
    return np.ascontiguousarray(date, np.int32), np.ascontiguousarray(time, np.int32)


def host_date_time_one(timestamp):
    """host_date_time of one timestamp, without building arrays (the per-bar road)."""
    if isinstance(timestamp, np.datetime64):
        if np.isnat(timestamp):
            raise ValueError("timestamp is NaT (a missing timestamp)")
        timestamp = timestamp.astype("M8[m]").item()
    elif pd is not None and timestamp is pd.NaT:
        raise ValueError("timestamp is NaT (a missing timestamp)")
    try:
        date = (timestamp.year - 1900) * 10000 + timestamp.month * 100 + timestamp.day
        return date, timestamp.hour * 100 + timestamp.minute
    except AttributeError:
        raise TypeError("timestamp must be a datetime, not %s" % type(timestamp).__name__)


def timestamps_of(timestamps, *inputs):
    """The caller's timestamps, or the DatetimeIndex of a pandas input when none are given."""
    if timestamps is None:
        index = index_of(*inputs)
        if index is None or not (pd is not None and isinstance(index, pd.DatetimeIndex)):
            raise ValueError("timestamps are needed (or a pandas input with a DatetimeIndex)")
        timestamps = index
    return host_date_time(timestamps)


def int_pointer(a):
    return a.ctypes.data_as(ctypes.POINTER(ctypes.c_int))


def float_pointer(a):
    return a.ctypes.data_as(ctypes.POINTER(ctypes.c_float))


def shaped(result, index, name=None):
    """A result array as a pandas Series or DataFrame on the caller's index, when one came."""
    if index is None or pd is None:
        return result
    if isinstance(result, dict):
        return pd.DataFrame(result, index=index)
    return pd.Series(result, index=index, name=name)
