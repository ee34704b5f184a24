"""The Tintbox control through the dispatch interface of the shell library.

Sections: values passed to the control; the Change trampoline; one call at a time; the
control object.
"""

import array
import ctypes
import functools
import itertools
import os
import threading
import weakref
from dataclasses import dataclass

from . import _abi
from ._library import load_library
from .errors import TintboxError, int32


@dataclass(frozen=True)
class Picture:
    """A spectrum picture: `width` x `height` colours 0x00BBGGRR, row by row from the
    top. `pixels` becomes a tuple, so a picture never changes after it was made."""

    width: int
    height: int
    pixels: tuple

    def __post_init__(self):
        # The library takes both sizes as 32-bit integers: checked before the pixel count,
        # so that no size that ctypes would cut short passes it.
        object.__setattr__(self, "width", int32(self.width, "a picture's width"))
        object.__setattr__(self, "height", int32(self.height, "a picture's height"))
        try:
            object.__setattr__(self, "pixels", tuple(self.pixels))
        except TypeError as error:
            raise TintboxError(_abi.E_TYPE_MISMATCH, None, f"a bad picture: {error}") from None
        count = max(self.width, 0) * max(self.height, 0)
        if count != len(self.pixels):
            raise TintboxError(
                _abi.E_INVALID_ARGUMENT,
                None,
                f"a {self.width} x {self.height} picture needs {count} pixels, "
                f"not {len(self.pixels)}",
            )

    def __repr__(self):
        return f"Picture({self.width}, {self.height}, <{len(self.pixels)} pixels>)"


# ---- Values passed to the control ---------------------------------------------------------
def _to_variant(value, variant, keep):
    """Fills `variant` with a Python value; `keep` holds the memory it points into."""
    if value is None:
        variant.type = _abi.VT_EMPTY
    elif isinstance(value, bool):
        variant.type = _abi.VT_BOOL
        variant.value.boolean = _abi.TRUE if value else _abi.FALSE
    elif isinstance(value, int):
        variant.type = _abi.VT_I4
        variant.value.i4 = int32(value, "the argument")
    elif isinstance(value, str):
        # UTF-16 code units, as the control counts characters; the room written back
        # texts need is never more than the text itself.
        units = value.encode("utf-16-le", "surrogatepass")
        buffer = ctypes.create_string_buffer(units, len(units) + 2)
        keep.append(buffer)
        variant.type = _abi.VT_UTF16
        variant.value.text.data = ctypes.addressof(buffer)
        variant.value.text.length = len(units) // 2
        variant.value.text.capacity = len(units) // 2 + 1
    elif isinstance(value, Picture):
        try:
            pixels = array.array("i", value.pixels or (0,))
        except (OverflowError, TypeError) as error:
            raise TintboxError(_abi.E_TYPE_MISMATCH, None, f"bad picture pixels: {error}") from None
        keep.append(pixels)
        address, _ = pixels.buffer_info()
        variant.type = _abi.VT_PICTURE
        variant.value.picture.width = value.width
        variant.value.picture.height = value.height
        variant.value.picture.pixels = ctypes.cast(address, ctypes.POINTER(ctypes.c_int32))
    else:
        raise TintboxError(
            _abi.E_TYPE_MISMATCH, None, f"a {type(value).__name__} cannot be passed to the control"
        )


def _as_picture(value):
    if value is None or isinstance(value, Picture):
        return value
    try:
        width, height, pixels = value
    except (TypeError, ValueError):
        raise TintboxError(
            _abi.E_TYPE_MISMATCH, None, "a picture is None, a Picture or (width, height, pixels)"
        ) from None
    return Picture(width, height, pixels)


def _text_of(variant):
    text = variant.value.text
    return ctypes.string_at(text.data, text.length * 2).decode("utf-16-le", "surrogatepass")


# ---- The Change trampoline ----------------------------------------------------------------
# One C callback for every instance: its context is a key to a weak reference, so the
# library never holds a Python object and an instance can be collected at any time.
_instances = {}
_keys = itertools.count(1)


def _instance(context):
    reference = _instances.get(context)
    return reference() if reference is not None else None


@_abi.EventCallback
def _on_event(context, sender, dispatch_id):
    control = _instance(context)
    if control is not None and dispatch_id == _abi.DISPID_CHANGE:
        control._run_callback(control.on_change)


class _Dispatch:
    """The references an instance holds, released by its finalizer (which must not hold
    the instance itself)."""

    def __init__(self, library, key):
        self.library = library
        self.key = key
        self.address = None
        self.vtbl = None
        self.cookie = None

    def attach(self, address):
        self.address = address
        self.vtbl = _abi.vtable(address, _abi.ControlVtbl)
        cookie = ctypes.c_uint32()
        if self.vtbl.Advise(address, _on_event, self.key, ctypes.byref(cookie)) != _abi.OK:
            raise TintboxError(_abi.E_INTERNAL, None, "cannot subscribe to Change")
        self.cookie = cookie.value

    def close(self):
        if self.address is not None:
            if self.cookie is not None:
                self.vtbl.Unadvise(self.address, self.cookie)
            self.vtbl.Release(self.address)
            self.address = None
        _instances.pop(self.key, None)


# ---- One call at a time -------------------------------------------------------------------
def _serialised(method):
    """Runs a public method inside the control's `_calling()`: ctypes lets other threads
    run while the library works, and the library keeps one error message per control,
    so a call, the reading of its error message and of the memory it returned must not
    interleave with another thread's call on the same control."""

    @functools.wraps(method)
    def serialised(self, *args, **kwargs):
        with self._calling():
            return method(self, *args, **kwargs)

    return serialised


# ---- The control object -------------------------------------------------------------------
class Tintbox:
    """A colour-picker control without a window (the dispatch interface).

    `library` is the path of libtintboxctl.so; without it the package finds the library
    (see tintbox.load_library). The colour methods keep their own names (GetRGB,
    SetRGB, GetRed, ..., Dec, SepRGB) beside the properties rgb, red, green and blue.

    on_change: called with no arguments at the end of every colour update.
    on_property_changed: called with "Picture" or "Enabled" when the control signals
    that a persisted property changed.
    An exception raised by a callback does not stop the control; it is raised from the
    call that made the control raise the event, once that call has run to its end.
    Every failed call raises TintboxError.

    Threads: any thread may call the control; calls on one control run one at a time
    (each holds the control's lock until it has run to its end, its callbacks included,
    which may call the control again). A callback must not wait for another thread that
    calls the same control.
    """

    def __init__(self, library=None):
        self._setup(load_library(library))
        self._finalizer = weakref.finalize(self, self._dispatch.close)
        self._dispatch.attach(self._library.create(_abi.IID_TINTBOX))

    def _setup(self, library):
        """The state every kind of instance has; the caller registers the finalizer."""
        self.on_change = None
        self.on_property_changed = None
        self._library = library
        self._pending = None  # the first error a callback raised during a call
        self._depth = 0  # calls into the library running
        self._picture_cache = (None, None)  # (the control's pixel address, Picture)
        self._lock = threading.RLock()  # callbacks call the control again on its thread
        key = next(_keys)
        self._dispatch = _Dispatch(library, key)
        _instances[key] = weakref.ref(self)

    @_serialised
    def close(self):
        """Releases the control now (collecting the object does the same)."""
        self._finalizer()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    @property
    def library_path(self):
        return self._library.path

    # ---- calls and callbacks
    def _calling(self):
        """What a public call holds while it runs."""
        return self._lock

    def _run_callback(self, callback, *args):
        if callback is None:
            return None
        try:
            return callback(*args)
        except BaseException as error:  # handed back to the caller of the control
            if self._pending is None:
                self._pending = error
            return None

    def _call_c(self, function, message_of):
        """Runs one call into the library and raises what it left behind: its own
        failure, else the first error of a callback. A call nested in a callback leaves
        a callback's error to the outermost call."""
        self._depth += 1
        try:
            status = function()
        finally:
            self._depth -= 1
        self._finish(status, message_of)

    def _finish(self, status, message_of):
        pending = self._pending if self._depth == 0 else None
        if pending is not None:
            self._pending = None
        if status != _abi.OK:
            kind, message = message_of()
            raise TintboxError(status, kind, message) from pending
        if pending is not None:
            raise pending

    def _control_error(self):
        dispatch = self._dispatch
        if dispatch.address is None:  # a callback closed the control during the call
            return None, "the control was closed during the call"
        message = dispatch.vtbl.ErrorMessage(dispatch.address) or b""
        return dispatch.vtbl.ErrorKind(dispatch.address), message.decode("utf-8", "replace")

    def _live_dispatch(self):
        if self._dispatch.address is None:
            raise TintboxError(_abi.E_RELEASED, None, "the control was closed")
        return self._dispatch

    def _invoke(self, name, kind, args=()):
        dispatch = self._live_dispatch()
        keep = []
        variants = (_abi.Variant * max(len(args), 1))()
        for variant, value in zip(variants, args):
            _to_variant(value, variant, keep)
        result = _abi.Variant()
        self._call_c(
            lambda: dispatch.vtbl.Invoke(
                dispatch.address,
                _abi.DISPID[name],
                kind,
                variants if args else None,
                len(args),
                ctypes.byref(result),
            ),
            self._control_error,
        )
        # The texts written back live in `keep`: read them before it goes.
        texts = [_text_of(v) for v in variants[: len(args)] if v.type == _abi.VT_UTF16]
        return result, variants, texts

    def _method(self, name, *args):
        return self._invoke(name, _abi.INVOKE_METHOD, args)[0]

    def _announce_property(self, name):
        # The dispatch interface has no event for it; the control signals it exactly
        # when a property put or ReadProperties has set the property.
        self._run_callback(self.on_property_changed, name)
        self._finish(_abi.OK, None)

    # ---- the colour methods, under their own names
    @_serialised
    def GetRGB(self):
        """The colour shown by the new-colour swatch, 0x00BBGGRR."""
        return self._method("GetRGB").value.i4

    @_serialised
    def SetRGB(self, value):
        """Sets the colour (limited to 0..16777215) and the old-colour swatch; raises
        Change once."""
        self._method("SetRGB", value)

    @_serialised
    def GetRed(self):
        return self._method("GetRed").value.i2

    @_serialised
    def GetGreen(self):
        return self._method("GetGreen").value.i2

    @_serialised
    def GetBlue(self):
        return self._method("GetBlue").value.i2

    @_serialised
    def SetRed(self, value):
        """Sets red (limited to 0..255; beyond -32768..32767 an Overflow error); raises
        Change once or twice."""
        self._method("SetRed", value)

    @_serialised
    def SetGreen(self, value):
        self._method("SetGreen", value)

    @_serialised
    def SetBlue(self, value):
        self._method("SetBlue", value)

    @_serialised
    def Dec(self, number):
        """The value of a hexadecimal text and the cleaned text the control leaves in
        its argument: Dec("#1a2B3d") == (1715005, "1A2B3D")."""
        result, _, texts = self._invoke("Dec", _abi.INVOKE_METHOD, (number,))
        return result.value.i4, texts[0]

    @_serialised
    def SepRGB(self, value):
        """(red, green, blue) of a colour value."""
        _, variants, _ = self._invoke("SepRGB", _abi.INVOKE_METHOD, (value, 0, 0, 0))
        return variants[1].value.i4, variants[2].value.i4, variants[3].value.i4

    # ---- properties
    rgb = property(GetRGB, SetRGB, doc="The colour, 0x00BBGGRR (GetRGB / SetRGB).")
    red = property(GetRed, SetRed, doc="The red component (GetRed / SetRed).")
    green = property(GetGreen, SetGreen, doc="The green component (GetGreen / SetGreen).")
    blue = property(GetBlue, SetBlue, doc="The blue component (GetBlue / SetBlue).")

    def _picture_address(self):
        result = self._invoke("Picture", _abi.INVOKE_PROPERTYGET)[0]
        picture = result.value.picture
        if result.type != _abi.VT_PICTURE or not picture.pixels:
            return None, result
        return ctypes.cast(picture.pixels, ctypes.c_void_p).value, result

    @property
    @_serialised
    def picture(self):
        """The spectrum picture (a Picture), or None. The same picture object comes
        back as long as the control shows the same picture."""
        address, result = self._picture_address()
        if address is None:
            return None
        cached_address, cached = self._picture_cache
        if address != cached_address:
            shown = result.value.picture
            count = shown.width * shown.height
            pixels = (ctypes.c_int32 * count).from_address(address)
            cached = Picture(shown.width, shown.height, tuple(pixels))
            self._picture_cache = (address, cached)
        return cached

    @picture.setter
    @_serialised
    def picture(self, value):
        value = _as_picture(value)
        self._invoke("Picture", _abi.INVOKE_PROPERTYPUTREF, (value,))
        self._picture_cache = (self._picture_address()[0], value)
        self._announce_property("Picture")

    @property
    @_serialised
    def enabled(self):
        """The control's own Enabled; False switches its editors off."""
        return self._invoke("Enabled", _abi.INVOKE_PROPERTYGET)[0].value.boolean != 0

    @enabled.setter
    @_serialised
    def enabled(self, value):
        self._invoke("Enabled", _abi.INVOKE_PROPERTYPUT, (value,))
        self._announce_property("Enabled")

    Picture = picture
    Enabled = enabled

    # ---- persistence
    def _bag_call(self, function_name, path):
        dispatch = self._live_dispatch()
        encoded = os.fsencode(path)
        if b"\0" in encoded:
            raise TintboxError(_abi.E_INVALID_ARGUMENT, None, "a file name holds a NUL byte")
        function = getattr(dispatch.vtbl, function_name)
        self._call_c(lambda: function(dispatch.address, encoded), self._control_error)

    @_serialised
    def read_properties(self, path):
        """Restores Picture and Enabled from a property-bag file (ReadProperties)."""
        self._picture_cache = (None, None)
        self._bag_call("ReadProperties", path)
        self._announce_property("Picture")

    @_serialised
    def write_properties(self, path):
        """Saves Picture and Enabled into a property-bag file (WriteProperties)."""
        self._bag_call("WriteProperties", path)

    def __repr__(self):
        if self._dispatch.address is None:
            return "<Tintbox closed>"
        return f"<Tintbox #{self.GetRGB():06X} (0x00BBGGRR)>"
