"""The C interface of libtintboxctl.so as ctypes declarations.

The names follow <tintbox/tintbox_shell.h> and <tintbox/tintbox_windowless.h> without
their TINTBOX_ prefix. Every object the library hands out is a pointer to a struct whose
first member points to a table of functions; `self` is passed as a plain address.
"""

import ctypes
from ctypes import (
    CFUNCTYPE,
    POINTER,
    Structure,
    Union,
    c_char_p,
    c_double,
    c_int16,
    c_int32,
    c_size_t,
    c_uint8,
    c_uint16,
    c_uint32,
    c_void_p,
)

# ---- Status codes -----------------------------------------------------------------------
OK = 0
E_IN_USE = 1
E_CLASS_NOT_AVAILABLE = 2
E_INVALID_ARGUMENT = 3
E_BAD_ARGUMENT_COUNT = 4
E_TYPE_MISMATCH = 5
E_OVERFLOW = 6
E_UNKNOWN_MEMBER = 7
E_WRONG_MEMBER_KIND = 8
E_CONTROL_ERROR = 9
E_REGISTRY = 10
E_OUT_OF_MEMORY = 11
E_NOT_FOUND = 12
E_INTERNAL = 13
E_NO_SITE = 20
E_BUFFER_TOO_SMALL = 21
E_RELEASED = 22
E_NO_DISPLAY = 23
# A windowless control called from a thread other than its own. The package refuses
# such a call itself before it reaches the library.
E_WRONG_THREAD = 24

STATUS_NAMES = {
    E_IN_USE: "InUse",
    E_CLASS_NOT_AVAILABLE: "ClassNotAvailable",
    E_INVALID_ARGUMENT: "InvalidArgument",
    E_BAD_ARGUMENT_COUNT: "BadArgumentCount",
    E_TYPE_MISMATCH: "TypeMismatch",
    E_OVERFLOW: "Overflow",
    E_UNKNOWN_MEMBER: "UnknownMember",
    E_WRONG_MEMBER_KIND: "WrongMemberKind",
    E_CONTROL_ERROR: "ControlError",
    E_REGISTRY: "Registry",
    E_OUT_OF_MEMORY: "OutOfMemory",
    E_NOT_FOUND: "NotFound",
    E_INTERNAL: "Internal",
    E_NO_SITE: "NoSite",
    E_BUFFER_TOO_SMALL: "BufferTooSmall",
    E_RELEASED: "Released",
    E_NO_DISPLAY: "NoDisplay",
    E_WRONG_THREAD: "WrongThread",
}

# The kinds of error the control itself raises (ErrorKind after E_CONTROL_ERROR).
ERROR_KIND_NAMES = {
    1: "Overflow",
    2: "InvalidPropertyValue",
    3: "InvalidProcedureCall",
    4: "InvalidPicture",
    5: "File",
    6: "BadPropertyBag",
    7: "Internal",
}

# ---- Dispatch ids and kinds of call ----------------------------------------------------
DISPID = {
    "GetRGB": 0x60030002,
    "SetRGB": 0x60030003,
    "GetRed": 0x60030004,
    "GetGreen": 0x60030005,
    "GetBlue": 0x60030006,
    "SetRed": 0x60030007,
    "SetGreen": 0x60030008,
    "SetBlue": 0x60030009,
    "Dec": 0x6003000B,
    "SepRGB": 0x60030033,
    "Picture": 0x68030001,
    "Enabled": 0x68030000,
}
DISPID_CHANGE = 1

INVOKE_METHOD = 1
INVOKE_PROPERTYGET = 2
INVOKE_PROPERTYPUT = 4
INVOKE_PROPERTYPUTREF = 8

# ---- Values -----------------------------------------------------------------------------
VT_EMPTY = 0
VT_I2 = 2
VT_I4 = 3
VT_BOOL = 11
VT_UTF16 = 8
VT_UTF8 = 30
VT_PICTURE = 9

TRUE = -1
FALSE = 0


class Guid(Structure):
    _fields_ = [
        ("data1", c_uint32),
        ("data2", c_uint16),
        ("data3", c_uint16),
        ("data4", c_uint8 * 8),
    ]

    @classmethod
    def parse(cls, text):
        """A GUID from its registry form "{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}"."""
        digits = text.strip().strip("{}").replace("-", "")
        raw = bytes.fromhex(digits)
        if len(raw) != 16:
            raise ValueError(f"not a GUID: {text!r}")
        return cls(
            int.from_bytes(raw[0:4], "big"),
            int.from_bytes(raw[4:6], "big"),
            int.from_bytes(raw[6:8], "big"),
            (c_uint8 * 8)(*raw[8:16]),
        )


CLSID_TINTBOX = Guid.parse("{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}")
IID_TINTBOX = Guid.parse("{D2209109-F4EB-4DB5-B1B8-6B042F4EF562}")
IID_CLASS_FACTORY = Guid.parse("{060EA370-EA2F-46F3-B9EC-C73C081A0202}")
IID_WINDOWLESS = Guid.parse("{5B0F6C2E-3D41-4E7A-9C58-21B7E4A9D0F3}")
PROGID = "TintboxControl.Tintbox"


class Text(Structure):
    _fields_ = [("data", c_void_p), ("length", c_size_t), ("capacity", c_size_t)]


class PictureData(Structure):
    _fields_ = [("width", c_int32), ("height", c_int32), ("pixels", POINTER(c_int32))]


class _VariantValue(Union):
    _fields_ = [
        ("i2", c_int16),
        ("i4", c_int32),
        ("boolean", c_int16),
        ("text", Text),
        ("picture", PictureData),
    ]


class Variant(Structure):
    _fields_ = [("type", c_int32), ("value", _VariantValue)]


# ---- The class factory and the dispatch interface ---------------------------------------
Status = c_int32
EventCallback = CFUNCTYPE(None, c_void_p, c_void_p, c_int32)


class ClassFactoryVtbl(Structure):
    _fields_ = [
        ("AddRef", CFUNCTYPE(c_uint32, c_void_p)),
        ("Release", CFUNCTYPE(c_uint32, c_void_p)),
        ("CreateInstance", CFUNCTYPE(Status, c_void_p, POINTER(Guid), POINTER(c_void_p))),
        ("LockServer", CFUNCTYPE(Status, c_void_p, c_int32)),
        ("GetTypeLibrary", CFUNCTYPE(Status, c_void_p, POINTER(c_void_p))),
        (
            "GetResource",
            CFUNCTYPE(
                Status, c_void_p, c_int32, c_int32, POINTER(c_void_p), POINTER(c_size_t)
            ),
        ),
    ]


class ControlVtbl(Structure):
    _fields_ = [
        ("AddRef", CFUNCTYPE(c_uint32, c_void_p)),
        ("Release", CFUNCTYPE(c_uint32, c_void_p)),
        ("GetDispatchId", CFUNCTYPE(Status, c_void_p, c_char_p, POINTER(c_int32))),
        (
            "Invoke",
            CFUNCTYPE(
                Status, c_void_p, c_int32, c_int32, POINTER(Variant), c_int32, POINTER(Variant)
            ),
        ),
        (
            "InvokeByName",
            CFUNCTYPE(
                Status, c_void_p, c_char_p, c_int32, POINTER(Variant), c_int32, POINTER(Variant)
            ),
        ),
        ("Advise", CFUNCTYPE(Status, c_void_p, EventCallback, c_void_p, POINTER(c_uint32))),
        ("Unadvise", CFUNCTYPE(Status, c_void_p, c_uint32)),
        ("ReadProperties", CFUNCTYPE(Status, c_void_p, c_char_p)),
        ("WriteProperties", CFUNCTYPE(Status, c_void_p, c_char_p)),
        ("ErrorKind", CFUNCTYPE(c_int32, c_void_p)),
        ("ErrorMessage", CFUNCTYPE(c_char_p, c_void_p)),
    ]


# ---- The windowless interface -----------------------------------------------------------
class Rect(Structure):
    _fields_ = [("x", c_int32), ("y", c_int32), ("width", c_int32), ("height", c_int32)]


POINTER_DEFAULT = 0
POINTER_TEXT = 1
POINTER_CURSOR_A = 2
POINTER_CURSOR_B = 3
RESOURCE_CURSOR = 100


class CursorImageData(Structure):
    _fields_ = [
        ("width", c_int32),
        ("height", c_int32),
        ("hot_x", c_int32),
        ("hot_y", c_int32),
        ("pixels", c_uint32 * (32 * 32)),
    ]


EVENT_CHANGE = 1
EVENT_PROPERTY_CHANGED = 2
EVENT_HANDLER_ERROR = 3
EVENT_EYEDROPPER_UNAVAILABLE = 4

InvalidateFn = CFUNCTYPE(None, c_void_p, POINTER(Rect))
StartTimerFn = CFUNCTYPE(None, c_void_p, c_int32)
StopTimerFn = CFUNCTYPE(None, c_void_p)
SetPointerFn = CFUNCTYPE(None, c_void_p, c_int32)
RequestFocusFn = CFUNCTYPE(None, c_void_p)
# Returns a `const char*`; declared as an address so that the text stays ours to keep.
GetClipboardFn = CFUNCTYPE(c_void_p, c_void_p)
SetClipboardFn = CFUNCTYPE(None, c_void_p, c_void_p, c_size_t)
PointerPositionFn = CFUNCTYPE(c_int32, c_void_p, POINTER(c_int32), POINTER(c_int32))
ReadPixelFn = CFUNCTYPE(c_int32, c_void_p, c_int32, c_int32, POINTER(c_uint32))
SiteEventFn = CFUNCTYPE(None, c_void_p, c_int32, c_char_p)


class SiteTable(Structure):
    _fields_ = [
        ("size", c_uint32),
        ("context", c_void_p),
        ("invalidate", InvalidateFn),
        ("start_timer", StartTimerFn),
        ("stop_timer", StopTimerFn),
        ("set_pointer", SetPointerFn),
        ("request_focus", RequestFocusFn),
        ("get_clipboard_text", GetClipboardFn),
        ("set_clipboard_text", SetClipboardFn),
        ("get_pointer_position", PointerPositionFn),
        ("read_screen_pixel", ReadPixelFn),
        ("event", SiteEventFn),
    ]


INPUT_PRESS = 1
INPUT_RELEASE = 2
INPUT_MOVE = 3
INPUT_DOUBLE_CLICK = 4
INPUT_WHEEL = 5
INPUT_KEY = 6
INPUT_TEXT = 7
INPUT_FOCUS_IN = 8
INPUT_FOCUS_OUT = 9
INPUT_LEAVE = 10


class InputEvent(Structure):
    _fields_ = [
        ("kind", c_int32),
        ("x", c_int32),
        ("y", c_int32),
        ("button", c_int32),
        ("modifiers", c_int32),
        ("key", c_int32),
        ("delta", c_int32),
        ("text", c_char_p),
    ]


class WindowlessVtbl(Structure):
    _fields_ = [
        ("AddRef", CFUNCTYPE(c_uint32, c_void_p)),
        ("Release", CFUNCTYPE(c_uint32, c_void_p)),
        ("SetSite", CFUNCTYPE(Status, c_void_p, POINTER(SiteTable))),
        ("GetDispatch", CFUNCTYPE(Status, c_void_p, POINTER(c_void_p))),
        ("SetExtent", CFUNCTYPE(Status, c_void_p, c_int32, c_int32, c_double)),
        ("GetExtent", CFUNCTYPE(Status, c_void_p, POINTER(c_int32), POINTER(c_int32))),
        (
            "Draw",
            CFUNCTYPE(Status, c_void_p, c_void_p, c_int32, c_int32, c_int32, POINTER(Rect)),
        ),
        ("Input", CFUNCTYPE(Status, c_void_p, POINTER(InputEvent), POINTER(c_int32))),
        ("Tick", CFUNCTYPE(Status, c_void_p, c_int32)),
        ("TimerInterval", CFUNCTYPE(Status, c_void_p, POINTER(c_int32))),
        ("ErrorMessage", CFUNCTYPE(c_char_p, c_void_p)),
    ]


def vtable(address, table_type):
    """The function table of the object at `address`."""
    table = ctypes.cast(ctypes.c_void_p.from_address(address).value, POINTER(table_type))
    return table.contents
