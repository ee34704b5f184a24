"""The one exception of the package."""

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
