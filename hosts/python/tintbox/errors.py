"""The one exception of the package, and the checks that turn a bad argument into it."""

import operator

from . import _abi


class TintboxError(Exception):
    """A call that the control or its library refused or that failed.

    `status` names the library's status code ("ControlError", "Overflow",
    "TypeMismatch", ...); `kind` names the control's own kind of error
    ("Overflow", "InvalidPicture", "File", "BadPropertyBag", ...) when the control
    raised it, else None; `message` says what went wrong."""

    def __init__(self, status, kind, message):
        self.status = _abi.STATUS_NAMES.get(status, str(status))
        self.kind = _abi.ERROR_KIND_NAMES.get(kind) if kind else None
        self.message = message
        # The control's own messages begin with their kind already.
        super().__init__(message if self.kind else f"{self.status}: {message}")


def check_status(status, message):
    """Raises TintboxError for a failed status."""
    if status != _abi.OK:
        raise TintboxError(status, None, message)


INT32_MIN, INT32_MAX = -(2**31), 2**31 - 1


def int32(value, what):
    """`value` as an int for a 32-bit argument of the library. ctypes would silently cut
    a larger one to 32 bits (a width of -(2**32) + 256 becomes 256), so every integer is
    checked here before it reaches the library: TypeMismatch for a non-integer or a bool,
    Overflow outside -2**31..2**31-1."""
    if isinstance(value, bool):
        raise TintboxError(_abi.E_TYPE_MISMATCH, None, f"{what} must be an integer, not a bool")
    try:
        number = operator.index(value)
    except TypeError:
        raise TintboxError(
            _abi.E_TYPE_MISMATCH, None, f"{what} must be an integer, not a {type(value).__name__}"
        ) from None
    if not INT32_MIN <= number <= INT32_MAX:
        raise TintboxError(_abi.E_OVERFLOW, None, f"{what} {number} does not fit a 32-bit integer")
    return number
