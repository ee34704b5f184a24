#!/usr/bin/env python3
"""A GTK 4 application in Python that shows the Tintbox control windowless: a drawing
area the control draws into (through Cairo), a label that follows Change, a button that
calls SetRGB and an entry to tab to. The drawing area forwards the person's mouse, keys,
input-method text and focus; the site repaints, runs the eyedropper's timer on GLib,
sets cursors and serves the clipboard.

usage: tintbox_gtk.py [path/to/libtintboxctl.so]
Without a path the tintbox package finds the library (TINTBOX_LIBRARY, beside the
installed package, or the registry). Every colour the label shows is printed too
("colour #RRGGBB"), and where the control sits in the window ("control at X Y"), for
tests that drive it with real input.

Debian packages: python3-gi gir1.2-gtk-4.0 python3-gi-cairo.
"""

import sys

import cairo
import gi

gi.require_version("Gdk", "4.0")
gi.require_version("Gtk", "4.0")
from gi.repository import Gdk, Gio, GLib, Gtk  # noqa: E402

import tintbox  # noqa: E402

TITLE = "Tintbox in GTK from Python"
MARGIN = 12  # around the window's content, as GNOME's layout guidelines ask


def spectrum(width=180, height=200):
    """A hue (along x) and brightness (full at the top, black at the bottom) picture."""
    # Per sixth of the width, red, green and blue are off (0), ramping (1: up in the
    # even sixths, down in the odd ones) or full (2).
    order = [(2, 1, 0), (1, 2, 0), (0, 2, 1), (0, 1, 2), (1, 0, 2), (2, 0, 1)]
    pixels = []
    for y in range(height):
        light = 255 - y * 255 // height
        for x in range(width):
            sector = x * 6 // width
            up = (x * 6 - sector * width) * 255 // width
            ramp = up if sector % 2 == 0 else 255 - up
            red, green, blue = (
                255 if role == 2 else 0 if role == 0 else ramp for role in order[sector]
            )
            pixels.append(
                red * light // 255 | (green * light // 255) << 8 | (blue * light // 255) << 16
            )
    return tintbox.Picture(width, height, pixels)


def modifiers_of(state):
    return (
        (tintbox.MOD_SHIFT if state & Gdk.ModifierType.SHIFT_MASK else 0)
        | (tintbox.MOD_CTRL if state & Gdk.ModifierType.CONTROL_MASK else 0)
        | (tintbox.MOD_ALT if state & Gdk.ModifierType.ALT_MASK else 0)
    )


BUTTONS = {
    Gdk.BUTTON_PRIMARY: tintbox.BUTTON_LEFT,
    Gdk.BUTTON_SECONDARY: tintbox.BUTTON_RIGHT,
    Gdk.BUTTON_MIDDLE: tintbox.BUTTON_MIDDLE,
}

KEYS = {
    Gdk.KEY_BackSpace: tintbox.KEY_BACKSPACE,
    Gdk.KEY_Delete: tintbox.KEY_DELETE,
    Gdk.KEY_KP_Delete: tintbox.KEY_DELETE,
    Gdk.KEY_Left: tintbox.KEY_LEFT,
    Gdk.KEY_KP_Left: tintbox.KEY_LEFT,
    Gdk.KEY_Right: tintbox.KEY_RIGHT,
    Gdk.KEY_KP_Right: tintbox.KEY_RIGHT,
    Gdk.KEY_Up: tintbox.KEY_UP,
    Gdk.KEY_KP_Up: tintbox.KEY_UP,
    Gdk.KEY_Down: tintbox.KEY_DOWN,
    Gdk.KEY_KP_Down: tintbox.KEY_DOWN,
    Gdk.KEY_Home: tintbox.KEY_HOME,
    Gdk.KEY_KP_Home: tintbox.KEY_HOME,
    Gdk.KEY_End: tintbox.KEY_END,
    Gdk.KEY_KP_End: tintbox.KEY_END,
    Gdk.KEY_Page_Up: tintbox.KEY_PAGE_UP,
    Gdk.KEY_Page_Down: tintbox.KEY_PAGE_DOWN,
    Gdk.KEY_Tab: tintbox.KEY_TAB,
    Gdk.KEY_ISO_Left_Tab: tintbox.KEY_BACKTAB,
    Gdk.KEY_Insert: tintbox.KEY_INSERT,
    Gdk.KEY_Escape: tintbox.KEY_ESCAPE,
    Gdk.KEY_Return: tintbox.KEY_RETURN,
    Gdk.KEY_KP_Enter: tintbox.KEY_RETURN,
}


def key_of(keyval):
    if keyval in KEYS:
        return KEYS[keyval]
    upper = Gdk.keyval_to_upper(keyval)
    return upper if ord("A") <= upper <= ord("Z") else 0


class GtkSite(tintbox.Site):
    """What the control asks of the window: repaint, timer, cursor, focus, clipboard."""

    def __init__(self, host):
        super().__init__()
        self.host = host
        self.timer = 0

    def invalidate(self, x, y, width, height):
        self.host.dirty.union(cairo.RectangleInt(x, y, width, height))
        if self.host.area is not None:
            self.host.area.queue_draw()

    def start_timer(self, interval_ms):
        self.stop_timer()
        self.timer = GLib.timeout_add(interval_ms, self.on_timer)

    def stop_timer(self):
        if self.timer:
            GLib.source_remove(self.timer)
            self.timer = 0

    def on_timer(self):
        control = self.host.control
        control.tick(control.timer_interval)
        return GLib.SOURCE_CONTINUE

    def set_pointer(self, shape):
        self.host.area.set_cursor(self.host.cursors.get(shape))

    def request_focus(self):
        self.host.area.grab_focus()

    def get_clipboard_text(self):
        return self.host.clipboard_text  # as last read: the site answers at once

    def set_clipboard_text(self, text):
        self.host.clipboard_text = text
        self.host.area.get_clipboard().set(text)

    def eyedropper_unavailable(self):
        print("the eyedropper cannot read this screen", file=sys.stderr)


class Host:
    def __init__(self, library):
        self.buffer = None  # the control's pixels at the area's scale
        self.dirty = cairo.Region()  # parts of the buffer to draw again
        self.ratio = 1.0
        self.clipboard_text = ""
        self.tabbed = 0  # the focus is coming by Tab (1) or Shift+Tab (-1)
        self.pointer = (0.0, 0.0)
        self.cursors = {}
        self.area = None  # the window comes on activate
        self.control = tintbox.WindowlessTintbox(GtkSite(self), library)
        self.control.picture = spectrum()
        self.control.on_change = self.show_colour
        self.control.on_error = lambda message: print(f"control error: {message}", file=sys.stderr)

    def show_colour(self):
        rgb = self.control.rgb
        line = f"colour #{rgb & 0xFF:02X}{rgb >> 8 & 0xFF:02X}{rgb >> 16 & 0xFF:02X}"
        self.label.set_text(line)
        print(line, flush=True)

    # ---- drawing and size
    def fit_buffer(self):
        ratio = self.area.get_scale_factor()
        width, height = self.area.get_width(), self.area.get_height()
        self.control.set_extent(int(width * ratio), int(height * ratio), ratio)
        device_width, device_height = self.control.extent
        buffer = self.buffer
        if (
            buffer is None
            or self.ratio != ratio
            or (buffer.get_width(), buffer.get_height()) != (device_width, device_height)
        ):
            self.buffer = cairo.ImageSurface(cairo.FORMAT_ARGB32, device_width, device_height)
            self.buffer.set_device_scale(ratio, ratio)
            self.ratio = ratio
            self.dirty.union(cairo.RectangleInt(0, 0, device_width, device_height))

    def on_draw(self, area, cr, width, height):
        self.fit_buffer()
        buffer = self.buffer
        buffer.flush()
        pixels = buffer.get_data()
        # Only what the control said changed is drawn again into the kept buffer.
        for index in range(self.dirty.num_rectangles()):
            rect = self.dirty.get_rectangle(index)
            self.control.draw(
                pixels,
                buffer.get_width(),
                buffer.get_height(),
                buffer.get_stride(),
                (rect.x, rect.y, rect.width, rect.height),
            )
        self.dirty = cairo.Region()
        buffer.mark_dirty()
        cr.set_source_surface(buffer, 0, 0)
        cr.paint()

    # ---- input
    def send(self, kind, x=0.0, y=0.0, **fields):
        return self.control.input(
            kind, int(x * self.ratio), int(y * self.ratio), **fields
        )

    def on_pressed(self, gesture, presses, x, y):
        button = BUTTONS.get(gesture.get_current_button(), 0)
        if button:
            kind = tintbox.INPUT_DOUBLE_CLICK if presses == 2 else tintbox.INPUT_PRESS
            state = modifiers_of(gesture.get_current_event_state())
            self.send(kind, x, y, button=button, modifiers=state)

    def on_released(self, gesture, presses, x, y):
        button = BUTTONS.get(gesture.get_current_button(), 0)
        if button:
            state = modifiers_of(gesture.get_current_event_state())
            self.send(tintbox.INPUT_RELEASE, x, y, button=button, modifiers=state)

    def on_motion(self, motion, x, y):
        self.pointer = (x, y)
        state = modifiers_of(motion.get_current_event_state())
        self.send(tintbox.INPUT_MOVE, x, y, modifiers=state)

    def on_leave(self, motion):
        self.send(tintbox.INPUT_LEAVE)

    def on_scroll(self, scroll, dx, dy):
        return self.send(tintbox.INPUT_WHEEL, *self.pointer, delta=1 if dy < 0 else -1)

    def on_key(self, keys, keyval, code, state):
        key = key_of(keyval)
        if not key:
            return False  # characters come from the input method as text
        # Not handled: GTK moves the focus on (Tab at the ends) or uses the key itself.
        return self.send(tintbox.INPUT_KEY, key=key, modifiers=modifiers_of(state))

    def on_commit(self, context, text):
        self.send(tintbox.INPUT_TEXT, text=text)

    def on_window_key(self, keys, keyval, code, state):
        # Which way the focus is coming: the window sees Tab before it moves the focus.
        self.tabbed = {Gdk.KEY_Tab: 1, Gdk.KEY_ISO_Left_Tab: -1}.get(keyval, 0)
        return False

    def on_focus_enter(self, focus):
        key = {1: tintbox.KEY_TAB, -1: tintbox.KEY_BACKTAB}.get(self.tabbed, 0)
        self.send(tintbox.INPUT_FOCUS_IN, key=key)

    def on_focus_leave(self, focus):
        self.send(tintbox.INPUT_FOCUS_OUT)

    def on_clipboard_changed(self, clipboard):
        clipboard.read_text_async(None, self.on_clipboard_read)

    def on_clipboard_read(self, clipboard, result):
        self.clipboard_text = clipboard.read_text_finish(result) or ""

    # ---- the window
    def make_cursors(self):
        self.cursors[tintbox.POINTER_DEFAULT] = Gdk.Cursor.new_from_name("default", None)
        self.cursors[tintbox.POINTER_TEXT] = Gdk.Cursor.new_from_name("text", None)
        for shape in (tintbox.POINTER_CURSOR_A, tintbox.POINTER_CURSOR_B):
            image = self.control.cursor_image(shape)
            texture = Gdk.MemoryTexture.new(
                image.width,
                image.height,
                Gdk.MemoryFormat.B8G8R8A8_PREMULTIPLIED,
                GLib.Bytes.new(image.pixels),
                image.width * 4,
            )
            self.cursors[shape] = Gdk.Cursor.new_from_texture(
                texture, image.hot_x, image.hot_y, None
            )

    def on_resize(self):
        # Laid out: the area has its place in the window now (at "map" it has none yet).
        self.fit_buffer()
        placed = self.area.translate_coordinates(self.window, 0, 0)
        x, y = placed[-2:]
        print(f"control at {int(x)} {int(y)}", flush=True)

    def activate(self, application):
        self.window = Gtk.ApplicationWindow(application=application, title=TITLE)
        self.area = Gtk.DrawingArea()
        width, height = self.control.extent
        self.area.set_content_width(width)
        self.area.set_content_height(height)
        self.area.set_hexpand(True)
        self.area.set_focusable(True)
        self.area.set_draw_func(self.on_draw)
        self.area.connect("resize", lambda area, width, height: self.on_resize())

        click = Gtk.GestureClick(button=0)
        click.connect("pressed", self.on_pressed)
        click.connect("released", self.on_released)
        self.area.add_controller(click)
        motion = Gtk.EventControllerMotion()
        motion.connect("motion", self.on_motion)
        motion.connect("leave", self.on_leave)
        self.area.add_controller(motion)
        scroll = Gtk.EventControllerScroll.new(
            Gtk.EventControllerScrollFlags.VERTICAL | Gtk.EventControllerScrollFlags.DISCRETE
        )
        scroll.connect("scroll", self.on_scroll)
        self.area.add_controller(scroll)
        keys = Gtk.EventControllerKey()
        input_method = Gtk.IMMulticontext()
        input_method.connect("commit", self.on_commit)
        keys.set_im_context(input_method)
        keys.connect("key-pressed", self.on_key)
        self.area.add_controller(keys)
        focus = Gtk.EventControllerFocus()
        focus.connect("enter", self.on_focus_enter)
        focus.connect("leave", self.on_focus_leave)
        self.area.add_controller(focus)
        window_keys = Gtk.EventControllerKey()
        window_keys.set_propagation_phase(Gtk.PropagationPhase.CAPTURE)
        window_keys.connect("key-pressed", self.on_window_key)
        self.window.add_controller(window_keys)

        self.label = Gtk.Label()
        button = Gtk.Button(label="Set #3366CC")
        button.connect("clicked", lambda button: self.control.SetRGB(0xCC6633))
        row = Gtk.Box(orientation=Gtk.Orientation.HORIZONTAL, spacing=8)
        for child in (self.label, button, Gtk.Entry()):
            row.append(child)
        column = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=8)
        column.append(self.area)
        column.append(row)
        for set_margin in (
            column.set_margin_top,
            column.set_margin_bottom,
            column.set_margin_start,
            column.set_margin_end,
        ):
            set_margin(MARGIN)
        self.window.set_child(column)

        self.area.get_clipboard().connect("changed", self.on_clipboard_changed)
        self.make_cursors()
        self.show_colour()
        self.window.present()


def main(argv):
    host = Host(argv[1] if len(argv) > 1 else None)
    application = Gtk.Application(
        application_id="org.tintbox.PythonGtk", flags=Gio.ApplicationFlags.NON_UNIQUE
    )
    application.connect("activate", host.activate)
    status = application.run(argv[:1])
    host.control.site.stop_timer()
    host.control.close()
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
