#!/usr/bin/env python3
"""A GTK 4 application in Python that places the native Tintbox widget (TintboxGtk.Picker,
from libtintbox-gtk4 through GObject introspection) in its window: a spectrum picture, a
label that follows the changed signal, a button that sets the colour and an entry to tab
to. No binding of its own: the typelib is all Python needs.

usage: tintbox_picker_gi.py
Set GI_TYPELIB_PATH and LD_LIBRARY_PATH to the build folder (frontends/gtk) when the
library is not installed. Every colour the label shows is printed too ("colour #RRGGBB").

Debian packages: python3-gi gir1.2-gtk-4.0.
"""

import sys

import gi

gi.require_version("Gdk", "4.0")
gi.require_version("Gtk", "4.0")
gi.require_version("TintboxGtk", "1.0")
from gi.repository import Gdk, GLib, Gtk, TintboxGtk  # noqa: E402

TITLE = "Tintbox in GTK from Python (native widget)"
MARGIN = 12  # around the window's content, as GNOME's layout guidelines ask


def spectrum(width=180, height=200):
    """A hue (along x) and brightness (full at the top, black at the bottom) texture."""
    # Per sixth of the width, red, green and blue are off (0), ramping (1: up in the
    # even sixths, down in the odd ones) or full (2).
    order = [(2, 1, 0), (1, 2, 0), (0, 2, 1), (0, 1, 2), (1, 0, 2), (2, 0, 1)]
    pixels = bytearray()
    for y in range(height):
        light = 255 - y * 255 // height
        for x in range(width):
            sixth, part = divmod(x * 6 * 255 // width, 255)
            ramp = part if sixth % 2 == 0 else 255 - part
            levels = [(0, ramp, 255)[kind] * light // 255 for kind in order[sixth]]
            pixels += bytes(levels)
    return Gdk.MemoryTexture.new(width, height, Gdk.MemoryFormat.R8G8B8,
                                 GLib.Bytes.new(bytes(pixels)), width * 3)


def on_activate(app):
    window = Gtk.ApplicationWindow(application=app, title=TITLE)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6, margin_top=MARGIN,
                  margin_bottom=MARGIN, margin_start=MARGIN, margin_end=MARGIN)
    picker = TintboxGtk.Picker()
    picker.set_picture(spectrum())
    label = Gtk.Label(xalign=0)
    button = Gtk.Button(label="Set #3C8DDC")
    entry = Gtk.Entry(placeholder_text="Tab here")

    def show(*_):
        red, green, blue = picker.props.red, picker.props.green, picker.props.blue
        text = f"colour #{red:02X}{green:02X}{blue:02X}"
        label.set_text(f"{text} (from {picker.get_change_source()})")
        print(text, flush=True)

    picker.connect("changed", show)
    button.connect("clicked", lambda *_: picker.set_rgb(0xDC8D3C))
    for child in (picker, label, button, entry):
        box.append(child)
    window.set_child(box)
    show()
    window.present()


def main():
    app = Gtk.Application(application_id="org.tintbox.PickerGi")
    app.connect("activate", on_activate)
    return app.run(sys.argv[:1])


if __name__ == "__main__":
    sys.exit(main())
