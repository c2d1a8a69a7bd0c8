"""Finding and loading the native library, and the C prototypes of its series API."""
import ctypes
import ctypes.util
import os
import sys

_LIBRARY_FILE = "VQM_FUNC1.DLL" if sys.platform == "win32" else "libVQM_FUNC1.so"

_c_int_p = ctypes.POINTER(ctypes.c_int)
_c_float_p = ctypes.POINTER(ctypes.c_float)
_series_p = ctypes.c_void_p

# name: (result, argument types)
_PROTOTYPES = {
    "vqm_version": (ctypes.c_char_p, []),
    "vqm_error_text": (ctypes.c_char_p, [ctypes.c_int]),
    "vqm_series_reset": (ctypes.c_int, [_series_p]),
    "vqm_series_free": (ctypes.c_int, [_series_p]),
    "vqm_rare_avg_create": (ctypes.c_int, [ctypes.c_int] * 5 + [ctypes.POINTER(_series_p)]),
    "vqm_rare_avg_push": (ctypes.c_int, [_series_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                         ctypes.c_float, _c_float_p]),
    "vqm_rare_avg_push_n": (ctypes.c_int, [_series_p, ctypes.c_size_t, _c_int_p, _c_int_p,
                                           _c_int_p, _c_float_p, _c_float_p]),
    "vqm_trend_reversal_create": (ctypes.c_int, [ctypes.c_int, ctypes.c_int, ctypes.c_float,
                                                 ctypes.POINTER(_series_p)]),
    "vqm_trend_reversal_push": (ctypes.c_int, [_series_p, ctypes.c_int, ctypes.c_int,
                                               ctypes.c_float, _c_int_p, _c_float_p,
                                               _c_float_p]),
    "vqm_trend_reversal_push_n": (ctypes.c_int, [_series_p, ctypes.c_size_t, _c_int_p, _c_int_p,
                                                 _c_float_p, _c_int_p, _c_float_p, _c_float_p]),
    "vqm_bsp_create": (ctypes.c_int, [ctypes.c_int] * 3 + [ctypes.POINTER(_series_p)]),
    "vqm_bsp_push": (ctypes.c_int, [_series_p, ctypes.c_float, ctypes.c_float, _c_float_p]),
    "vqm_bsp_push_n": (ctypes.c_int, [_series_p, ctypes.c_size_t, _c_float_p, _c_float_p,
                                      _c_float_p]),
    "vqm_pattern_search_create": (ctypes.c_int, [ctypes.c_int, ctypes.c_int,
                                                 ctypes.POINTER(_series_p)]),
    "vqm_pattern_search_push": (ctypes.c_int, [_series_p] + [ctypes.c_int] * 7 +
                                [_c_int_p, _c_float_p]),
    "vqm_pattern_search_push_n": (ctypes.c_int, [_series_p, ctypes.c_size_t] + [_c_int_p] * 8 +
                                  [_c_float_p]),
    "vqm_price_norm_create": (ctypes.c_int, [ctypes.c_float, ctypes.POINTER(_series_p)]),
    "vqm_price_norm_push": (ctypes.c_int, [_series_p, _c_int_p, _c_int_p]),
    "vqm_price_norm_push_n": (ctypes.c_int, [_series_p, ctypes.c_size_t, _c_int_p, _c_int_p]),
}


def _candidates():
    """Where the library may be, in the order it is looked for."""
    explicit = os.environ.get("VQM_LIBRARY")
    if explicit:
        yield explicit
        return
    here = os.path.dirname(os.path.abspath(__file__))
    yield os.path.join(here, _LIBRARY_FILE)  # placed beside the package by its installation
    source_tree = os.path.dirname(os.path.dirname(here))
    yield os.path.join(source_tree, "build", "native", "bin", _LIBRARY_FILE)
    for prefix in (sys.prefix, "/usr/local", "/usr"):
        yield os.path.join(prefix, "lib", _LIBRARY_FILE)
    found = ctypes.util.find_library("VQM_FUNC1")
    if found:
        yield found


def library_path():
    """The path of the native library this package uses."""
    for path in _candidates():
        if os.path.isfile(path) or (path and not os.path.dirname(path)):
            return path
    raise OSError(
        "VQM_FUNC1 native library not found: build it (bash scripts/build.sh) or set "
        "VQM_LIBRARY to the path of " + _LIBRARY_FILE)


def _load():
    lib = ctypes.CDLL(library_path())
    for name, (result, arguments) in _PROTOTYPES.items():
        function = getattr(lib, name)
        function.restype = result
        function.argtypes = arguments
    return lib


LIB = _load()
