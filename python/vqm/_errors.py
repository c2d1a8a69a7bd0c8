"""The exceptions of the package, made from the library's status codes."""
from . import _library

OK = 0
E_HANDLE = -1
E_ARGUMENT = -2
E_PARAMETER = -3
E_DATE = -4
E_MEMORY = -5


class VqmError(Exception):
    """A status the library returned; `status` holds the code."""

    def __init__(self, status, where):
        self.status = status
        text = _library.LIB.vqm_error_text(status).decode("ascii")
        super().__init__("%s: %s (status %d)" % (where, text, status))


class ParameterError(VqmError, ValueError):
    """A parameter or bar value the indicator refuses."""


class SeriesClosedError(VqmError, RuntimeError):
    """The series was closed."""


def check(status, where):
    """Raises the exception that fits a status other than OK."""
    if status == OK:
        return
    if status in (E_PARAMETER, E_DATE):
        raise ParameterError(status, where)
    if status == E_HANDLE:
        raise SeriesClosedError(status, where)
    if status == E_MEMORY:
        raise MemoryError("%s: out of memory in the native library" % where)
    raise VqmError(status, where)
