#!/usr/bin/env python3
"""The picker through its typelib from PyGObject: create it, set a colour, read it back
through the methods and the properties, split it, clean a hexadecimal number, and hear the
changed signal."""

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("TintboxGtk", "1.0")
from gi.repository import Gtk, TintboxGtk  # noqa: E402,F401

picker = TintboxGtk.Picker()
heard = []
picker.connect("changed", lambda p: heard.append(p.get_change_source()))
picker.set_rgb(0x3C8DDC)
assert picker.get_rgb() == 0x3C8DDC, picker.get_rgb()
assert picker.props.rgb == 0x3C8DDC
assert (picker.props.red, picker.props.green, picker.props.blue) == (0xDC, 0x8D, 0x3C)
assert picker.sep_rgb(0x010203) == (3, 2, 1)
assert picker.dec("1a-f") == (0x1AF, "1AF")
picker.props.control_enabled = False
assert not picker.get_control_enabled()
assert heard == ["host"], heard
print("[  PASSED  ] PyGObject")
