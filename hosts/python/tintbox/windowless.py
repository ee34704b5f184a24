"""The control shown by a host that owns its window: drawn into the host's buffer, fed
with a person's input, and asking its host for what only the window's owner has.

Sections: constants; the site; the site's C trampolines; the user-interface thread; the
windowless control.
"""

import ctypes
import threading
import warnings
import weakref
from dataclasses import dataclass

from . import _abi
from ._library import load_library
from .control import Tintbox, _instance, _serialised
from .errors import TintboxError, int32

# ---- Constants ----------------------------------------------------------------------------
BUTTON_LEFT, BUTTON_RIGHT, BUTTON_MIDDLE = 1, 2, 4
MOD_SHIFT, MOD_CTRL, MOD_ALT = 1, 2, 4
POINTER_DEFAULT = _abi.POINTER_DEFAULT
POINTER_TEXT = _abi.POINTER_TEXT
POINTER_CURSOR_A = _abi.POINTER_CURSOR_A
POINTER_CURSOR_B = _abi.POINTER_CURSOR_B
KEY_BACKSPACE = 0x1001
KEY_DELETE = 0x1002
KEY_LEFT = 0x1003
KEY_RIGHT = 0x1004
KEY_UP = 0x1005
KEY_DOWN = 0x1006
KEY_HOME = 0x1007
KEY_END = 0x1008
KEY_PAGE_UP = 0x1009
KEY_PAGE_DOWN = 0x100A
KEY_TAB = 0x100B
KEY_BACKTAB = 0x100C
KEY_INSERT = 0x100D
KEY_ESCAPE = 0x100E
KEY_RETURN = 0x100F
# The kinds of input event, for WindowlessTintbox.input.
INPUT_PRESS = _abi.INPUT_PRESS
INPUT_RELEASE = _abi.INPUT_RELEASE
INPUT_MOVE = _abi.INPUT_MOVE
INPUT_DOUBLE_CLICK = _abi.INPUT_DOUBLE_CLICK
INPUT_WHEEL = _abi.INPUT_WHEEL
INPUT_KEY = _abi.INPUT_KEY
INPUT_TEXT = _abi.INPUT_TEXT
INPUT_FOCUS_IN = _abi.INPUT_FOCUS_IN
INPUT_FOCUS_OUT = _abi.INPUT_FOCUS_OUT
INPUT_LEAVE = _abi.INPUT_LEAVE

__all__ = [name for name in dir() if name.split("_")[0] in ("BUTTON", "MOD", "POINTER", "KEY", "INPUT")]


@dataclass(frozen=True)
class CursorImage:
    """A cursor the control asks for: 32 x 32 premultiplied 0xAARRGGBB pixels (bytes in
    the machine's order, as Cairo's ARGB32) and the hot spot."""

    width: int
    height: int
    hot_x: int
    hot_y: int
    pixels: bytes


# ---- The site ------------------------------------------------------------------------------
class Site:
    """What the control asks of its host. Subclass it and override what the host serves;
    every position and size is in device pixels relative to the control.

    The optional pairs are off while they are None: start_timer / stop_timer (then the
    host calls tick() itself, at least every timer_interval ms while that is positive)
    and get_pointer_position / read_screen_pixel (then the control reads the screen
    itself where it can)."""

    start_timer = None  # start_timer(interval_ms): call tick() every interval_ms
    stop_timer = None  # stop_timer()
    get_pointer_position = None  # () -> (x, y) on the screen, or None
    read_screen_pixel = None  # (x, y) -> 0x00RRGGBB, or None when it cannot be read

    def __init__(self):
        self.clipboard = ""

    def invalidate(self, x, y, width, height):
        """This rectangle needs drawing again."""

    def set_pointer(self, shape):
        """Show this POINTER_... over the control."""

    def request_focus(self):
        """A press inside the control: give it the keyboard focus, then call focus_in."""

    def get_clipboard_text(self):
        return self.clipboard

    def set_clipboard_text(self, text):
        self.clipboard = text

    def eyedropper_unavailable(self):
        """The control cannot read the screen for the eyedropper; the colour stays."""


# ---- The site's C trampolines ---------------------------------------------------------------
# Module-level like the Change trampoline: the library keeps only a key.
def _site_call(context, name, *args, convert=None, failed=None):
    """Calls a method of the instance's site; `convert` checks and shapes its result
    (None: failed). An error in either goes to the instance's caller."""
    control = _instance(context)
    if control is None:
        return failed

    def call():
        result = getattr(control.site, name)(*args)
        return convert(result) if convert is not None and result is not None else result

    result = control._run_callback(call)
    return failed if result is None else result


@_abi.InvalidateFn
def _invalidate(context, area):
    rect = area.contents
    _site_call(context, "invalidate", rect.x, rect.y, rect.width, rect.height)


def _forwarding(function_type, name):
    """A C trampoline that hands its arguments after the context to the site's method."""
    return function_type(lambda context, *args: _site_call(context, name, *args))


_start_timer = _forwarding(_abi.StartTimerFn, "start_timer")
_stop_timer = _forwarding(_abi.StopTimerFn, "stop_timer")
_set_pointer = _forwarding(_abi.SetPointerFn, "set_pointer")
_request_focus = _forwarding(_abi.RequestFocusFn, "request_focus")


def _utf8(text):
    if not isinstance(text, str):
        raise TypeError(f"the clipboard's text must be a str, not {type(text).__name__}")
    return ctypes.create_string_buffer(text.encode("utf-8", "surrogatepass"))


@_abi.GetClipboardFn
def _get_clipboard_text(context):
    text = _site_call(context, "get_clipboard_text", convert=_utf8)
    control = _instance(context)
    if control is None or text is None:
        return None
    # Valid until the next callback, as the site table promises: the instance keeps it.
    control._clipboard = text
    return ctypes.addressof(text)


@_abi.SetClipboardFn
def _set_clipboard_text(context, text, length):
    decoded = ctypes.string_at(text, length).decode("utf-8", "replace")
    _site_call(context, "set_clipboard_text", decoded)


def _screen_position(at):
    return int32(int(at[0]), "the pointer's x"), int32(int(at[1]), "the pointer's y")


@_abi.PointerPositionFn
def _get_pointer_position(context, x, y):
    position = _site_call(context, "get_pointer_position", convert=_screen_position)
    if position is None:
        return 0
    x[0], y[0] = position
    return 1


@_abi.ReadPixelFn
def _read_screen_pixel(context, x, y, rgb):
    value = _site_call(context, "read_screen_pixel", x, y, convert=int)
    if value is None:
        return 0
    rgb[0] = value & 0xFFFFFF
    return 1


@_abi.SiteEventFn
def _event(context, event, detail):
    control = _instance(context)
    if control is not None:
        control._site_event(event, detail.decode("utf-8", "replace") if detail else "")


# ---- The user-interface thread ----------------------------------------------------------------
class _UiThread:
    """The thread that runs a library's windowless controls. The library runs them on Qt,
    which lives on the thread that created the first of them until the last one is
    released; a call from any other thread would reach Qt's widgets from the wrong thread."""

    def __init__(self, thread):
        self.thread = thread
        self.live = 0  # the library's windowless controls not yet released
        self.orphans = []  # controls collected on another thread, to release here

    def check(self, what):
        if threading.current_thread() is not self.thread:
            raise TintboxError(
                _abi.E_WRONG_THREAD,
                None,
                f"{what} only on the thread that created the library's windowless controls "
                f"({self.thread.name}), not on {threading.current_thread().name}",
            )

    def release_orphans(self):
        while self.orphans:
            self.orphans.pop().close()


_ui_threads = {}  # Library -> _UiThread, while the library has windowless controls
_ui_threads_lock = threading.Lock()


def _enter_ui_thread(library):
    """The library's _UiThread, counting one more control; this thread becomes it when
    the library has no windowless control."""
    with _ui_threads_lock:
        ui = _ui_threads.get(library)
        if ui is None:
            ui = _ui_threads[library] = _UiThread(threading.current_thread())
        ui.check("a windowless control can be created")
        ui.live += 1
        return ui


def _leave_ui_thread(library, ui):
    with _ui_threads_lock:
        ui.live -= 1
        if ui.live == 0:
            del _ui_threads[library]


# ---- The windowless control -------------------------------------------------------------------
class _Windowless:
    """The windowless instance's own references, released after its dispatch interface,
    on the user-interface thread: collected on another thread, the instance waits there
    until the next call of one of the library's windowless controls."""

    def __init__(self, dispatch, address, ui):
        self.dispatch = dispatch
        self.address = address
        self.vtbl = _abi.vtable(address, _abi.WindowlessVtbl)
        self.ui = ui

    def close(self):
        if threading.current_thread() is not self.ui.thread:
            self.ui.orphans.append(self)
            return
        self.dispatch.close()
        if self.address is not None:
            self.vtbl.SetSite(self.address, None)
            self.vtbl.Release(self.address)
            self.address = None
            _leave_ui_thread(self.dispatch.library, self.ui)


def _area(area):
    """The (x, y, width, height) of a draw area, each checked for the library's Rect."""
    try:
        x, y, width, height = area
    except (TypeError, ValueError):
        raise TintboxError(
            _abi.E_TYPE_MISMATCH, None, f"an area is (x, y, width, height), not {area!r}"
        ) from None
    return (
        int32(x, "the area's x"),
        int32(y, "the area's y"),
        int32(width, "the area's width"),
        int32(height, "the area's height"),
    )


class WindowlessTintbox(Tintbox):
    """The control drawn by its host: everything of Tintbox, plus size, drawing,
    a person's input and time. `site` is a Site (a plain Site when None).

    on_error: called with the message of an error that one of the control's handlers
    raised on a person's input (a warning when it is None).

    Threads: the control runs on Qt, on the thread that created the first of the
    library's windowless controls still alive. Every call, close() included, and every
    callback happens on that thread; a call from another thread raises TintboxError
    (status "WrongThread"), and so does creating a control there while that thread
    has one. A control collected on another thread is released on its own thread at the
    next call of one of the library's windowless controls there."""

    def __init__(self, site=None, library=None):
        library = load_library(library)
        self._ui = _enter_ui_thread(library)
        try:
            self._ui.release_orphans()
            address = library.create(_abi.IID_WINDOWLESS)
        except BaseException:
            _leave_ui_thread(library, self._ui)
            raise
        self._setup(library)
        self._site = site if site is not None else Site()
        self.on_error = None
        self._clipboard = None
        self._windowless = _Windowless(self._dispatch, address, self._ui)
        self._finalizer = weakref.finalize(self, self._windowless.close)
        self._site_table = self._make_site_table()
        self._call("SetSite", ctypes.byref(self._site_table))
        dispatch = ctypes.c_void_p()
        self._call("GetDispatch", ctypes.byref(dispatch))
        self._dispatch.attach(dispatch.value)

    @property
    def site(self):
        """The Site given at creation (the library keeps which optional pairs it has)."""
        return self._site

    def _make_site_table(self):
        site = self.site
        table = _abi.SiteTable()
        table.size = ctypes.sizeof(_abi.SiteTable)
        table.context = self._dispatch.key
        table.invalidate = _invalidate
        table.set_pointer = _set_pointer
        table.request_focus = _request_focus
        table.get_clipboard_text = _get_clipboard_text
        table.set_clipboard_text = _set_clipboard_text
        table.event = _event
        if site.start_timer is not None and site.stop_timer is not None:
            table.start_timer = _start_timer
            table.stop_timer = _stop_timer
        if site.get_pointer_position is not None and site.read_screen_pixel is not None:
            table.get_pointer_position = _get_pointer_position
            table.read_screen_pixel = _read_screen_pixel
        return table

    def _site_event(self, event, detail):
        if event == _abi.EVENT_PROPERTY_CHANGED:
            self._run_callback(self.on_property_changed, detail)
        elif event == _abi.EVENT_HANDLER_ERROR:
            if self.on_error is not None:
                self._run_callback(self.on_error, detail)
            else:
                warnings.warn(f"Tintbox: {detail}", RuntimeWarning, stacklevel=2)
        elif event == _abi.EVENT_EYEDROPPER_UNAVAILABLE:
            self._run_callback(self.site.eyedropper_unavailable)
        # EVENT_CHANGE: on_change hears it through the dispatch interface.

    def _announce_property(self, name):
        # The site's event tells of it: nothing to add.
        self._finish(_abi.OK, None)

    def _calling(self):
        self._ui.check("a windowless control is called")
        self._ui.release_orphans()
        return self._lock

    def _call(self, name, *args):
        windowless = self._windowless
        if windowless.address is None:
            raise TintboxError(_abi.E_RELEASED, None, "the control was closed")
        function = getattr(windowless.vtbl, name)

        def message():
            if windowless.address is None:  # a callback closed the control during the call
                return None, "the control was closed during the call"
            text = windowless.vtbl.ErrorMessage(windowless.address) or b""
            return None, text.decode("utf-8", "replace")

        self._call_c(lambda: function(windowless.address, *args), message)

    # ---- size and drawing
    @_serialised
    def set_extent(self, width, height, ratio=1.0):
        """Sizes the control in device pixels at `ratio` device pixels per logical pixel;
        it keeps its own height and a minimum width (see extent)."""
        width, height = int32(width, "the width"), int32(height, "the height")
        try:
            ratio = float(ratio)
        except (TypeError, ValueError):
            raise TintboxError(
                _abi.E_TYPE_MISMATCH, None, f"the ratio {ratio!r} is not a number"
            ) from None
        self._call("SetExtent", width, height, ratio)

    @property
    @_serialised
    def extent(self):
        """(width, height): the size the control took, in device pixels."""
        width, height = ctypes.c_int32(), ctypes.c_int32()
        self._call("GetExtent", ctypes.byref(width), ctypes.byref(height))
        return width.value, height.value

    @_serialised
    def draw(self, buffer=None, width=None, height=None, stride=None, area=None):
        """Draws the control into `buffer` (any writable buffer: a bytearray, a Cairo
        image surface's get_data(), ...) of premultiplied 32-bit 0xAARRGGBB pixels, and
        returns it. Without a buffer a new bytearray of the whole control is made.
        width, height and stride default to the extent and width * 4; `area` is
        (x, y, width, height) to redraw one rectangle only."""
        extent_width, extent_height = self.extent
        width = extent_width if width is None else int32(width, "the width")
        height = extent_height if height is None else int32(height, "the height")
        stride = int32(width * 4 if stride is None else stride, "the stride")
        rect = None if area is None else ctypes.byref(_abi.Rect(*_area(area)))
        if buffer is None:
            buffer = bytearray(max(stride, 0) * max(height, 0))
        view = memoryview(buffer).cast("B")
        try:
            if view.readonly:
                raise TintboxError(_abi.E_INVALID_ARGUMENT, None, "the buffer is read-only")
            needed = stride * (height - 1) + width * 4 if width > 0 and height > 0 else 0
            if stride >= width * 4 and view.nbytes < needed:
                raise TintboxError(
                    _abi.E_BUFFER_TOO_SMALL,
                    None,
                    f"{width} x {height} pixels at stride {stride} need {needed} bytes, "
                    f"the buffer holds {view.nbytes}",
                )
            pixels = (ctypes.c_char * max(view.nbytes, 1)).from_buffer(
                view if view.nbytes else bytearray(1)
            )
            try:
                self._call("Draw", pixels, width, height, stride, rect)
            finally:
                del pixels
        finally:
            view.release()
        return buffer

    # ---- a person's input; each returns whether the control used it
    @_serialised
    def input(self, kind, x=0, y=0, button=0, modifiers=0, key=0, delta=0, text=None):
        """One input event (the INPUT_... kinds of the C interface)."""
        if isinstance(key, str) and len(key) == 1:
            key = ord(key.upper())
        numbers = dict(
            kind=kind, x=x, y=y, button=button, modifiers=modifiers, key=key, delta=delta
        )
        numbers = {name: int32(value, f"the {name}") for name, value in numbers.items()}
        encoded = None
        if text is not None:
            encoded = text.encode("utf-8", "surrogatepass")
            if b"\0" in encoded:
                raise TintboxError(_abi.E_INVALID_ARGUMENT, None, "the text holds a NUL")
        event = _abi.InputEvent(**numbers, text=encoded)
        handled = ctypes.c_int32()
        self._call("Input", ctypes.byref(event), ctypes.byref(handled))
        return handled.value != 0

    def press(self, x, y, button=BUTTON_LEFT, modifiers=0):
        return self.input(INPUT_PRESS, x, y, button, modifiers)

    def release(self, x, y, button=BUTTON_LEFT, modifiers=0):
        return self.input(INPUT_RELEASE, x, y, button, modifiers)

    def click(self, x, y, button=BUTTON_LEFT, modifiers=0):
        """A press and its release at one point."""
        pressed = self.press(x, y, button, modifiers)
        return self.release(x, y, button, modifiers) or pressed

    def double_click(self, x, y, button=BUTTON_LEFT, modifiers=0):
        """The second press of a double click."""
        return self.input(INPUT_DOUBLE_CLICK, x, y, button, modifiers)

    def move(self, x, y, modifiers=0):
        return self.input(INPUT_MOVE, x, y, modifiers=modifiers)

    def wheel(self, x, y, delta):
        """`delta` notches, positive away from the person."""
        return self.input(INPUT_WHEEL, x, y, delta=delta)

    def key(self, key, modifiers=0):
        """A KEY_... or, with MOD_CTRL, a letter ("A" select all, "C", "X", "V", "Z")."""
        return self.input(INPUT_KEY, key=key, modifiers=modifiers)

    def text(self, text):
        """Committed text from the keyboard or an input method."""
        return self.input(INPUT_TEXT, text=text)

    def focus_in(self, key=0):
        """The control got the keyboard focus (key KEY_TAB / KEY_BACKTAB when tabbed in)."""
        return self.input(INPUT_FOCUS_IN, key=key)

    def focus_out(self):
        return self.input(INPUT_FOCUS_OUT)

    def leave(self):
        """The pointer left the control."""
        return self.input(INPUT_LEAVE)

    # ---- time and resources
    @_serialised
    def tick(self, elapsed_ms):
        """Time passed: runs the control's timer (the eyedropper's)."""
        self._call("Tick", int32(elapsed_ms, "the elapsed time"))

    @property
    @_serialised
    def timer_interval(self):
        """The interval the control's timer wants now, 0 when none runs."""
        interval = ctypes.c_int32()
        self._call("TimerInterval", ctypes.byref(interval))
        return interval.value

    def cursor_image(self, shape):
        """The CursorImage of POINTER_CURSOR_A or POINTER_CURSOR_B."""
        data = self._library.resource(_abi.RESOURCE_CURSOR, int32(shape, "the shape"))
        image = _abi.CursorImageData.from_buffer_copy(data)
        return CursorImage(
            image.width, image.height, image.hot_x, image.hot_y, bytes(image.pixels)
        )

    def __repr__(self):
        if self._windowless.address is None:
            return "<WindowlessTintbox closed>"
        return f"<WindowlessTintbox #{self.GetRGB():06X} (0x00BBGGRR) {self.extent}>"
