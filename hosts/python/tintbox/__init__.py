"""Tintbox, the colour-picker control, from Python: pure ctypes over libtintboxctl.so.

    from tintbox import Tintbox
    box = Tintbox()                      # or Tintbox("path/to/libtintboxctl.so")
    box.on_change = lambda: print(hex(box.rgb))
    box.SetRGB(0x336699)                 # colours are 0x00BBGGRR
    value, cleaned = box.Dec("#1a2B3d")  # (1715005, "1A2B3D")

WindowlessTintbox draws the control into a buffer of the host's and takes a person's
input, for hosts that show it in a window of their own (GTK, SDL, ...).

Threads: a Tintbox may be called from any thread; calls on one control run one at a
time. A WindowlessTintbox belongs to the thread that runs the library's windowless
controls (Qt's): a call from any other thread raises TintboxError ("WrongThread").

Integers passed to the library (sizes, positions, keys, times, picture sizes) must be
ints within 32 bits: a TypeMismatch or an Overflow otherwise, never cut short.
"""

from ._library import find_library, load_library
from .control import Picture, Tintbox
from .errors import TintboxError
from .windowless import *  # noqa: F401,F403 (the input and pointer constants)
from .windowless import CursorImage, Site, WindowlessTintbox

__all__ = [
    "CursorImage",
    "Picture",
    "Site",
    "Tintbox",
    "TintboxError",
    "WindowlessTintbox",
    "find_library",
    "load_library",
]
__version__ = "1.0.0"
