"""The windowless control: drawn into a Python buffer, driven by forwarded input, served
by a Python site."""

import os
import struct
import threading

import pytest

import tintbox
from conftest import ChangeLog
from tintbox import control as control_module

SPECTRUM_COLOUR = 0x2080C0  # 0x00BBGGRR: red C0, green 80, blue 20


def argb(colour):
    """The opaque premultiplied 0xAARRGGBB pixel of a colour value 0x00BBGGRR."""
    red, green, blue = colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF
    return 0xFF000000 | red << 16 | green << 8 | blue


class RecordingSite(tintbox.Site):
    def __init__(self):
        super().__init__()
        self.rects = []
        self.pointers = []
        self.focus_requests = 0
        self.timer = 0
        self.screen = {}  # (x, y) -> 0x00RRGGBB
        self.cursor = (0, 0)
        self.unavailable = 0

    def invalidate(self, x, y, width, height):
        self.rects.append((x, y, width, height))

    def set_pointer(self, shape):
        self.pointers.append(shape)

    def request_focus(self):
        self.focus_requests += 1

    def start_timer(self, interval_ms):
        self.timer = interval_ms

    def stop_timer(self):
        self.timer = 0

    def get_pointer_position(self):
        return self.cursor

    def read_screen_pixel(self, x, y):
        return self.screen.get((x, y), 0)

    def eyedropper_unavailable(self):
        self.unavailable += 1


@pytest.fixture(scope="module", autouse=True)
def windowless_available():
    try:
        tintbox.WindowlessTintbox(library=os.environ["TINTBOX_LIBRARY"]).close()
    except tintbox.TintboxError as error:
        if error.status != "ClassNotAvailable":
            raise
        pytest.skip("the library was built without Qt: no windowless control")


@pytest.fixture
def site():
    return RecordingSite()


@pytest.fixture
def shown(library, site):
    """A windowless control at its own size, with a one-colour spectrum picture."""
    control = tintbox.WindowlessTintbox(site, library)
    control.picture = (4, 4, [SPECTRUM_COLOUR] * 16)
    yield control
    control.close()


def pixels_of(control, buffer=None):
    width, height = control.extent
    buffer = control.draw(buffer)
    return width, height, struct.unpack(f"<{width * height}I", bytes(buffer))


def bounding_box(width, height, pixels, value):
    points = [(i % width, i // width) for i, pixel in enumerate(pixels) if pixel == value]
    if not points:
        return None
    xs, ys = [x for x, _ in points], [y for _, y in points]
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def spectrum_centre(control):
    width, height, pixels = pixels_of(control)
    box = bounding_box(width, height, pixels, argb(SPECTRUM_COLOUR))
    assert box is not None and box[2] > 50 and box[3] > 50, f"no spectrum drawn: {box}"
    return box[0] + box[2] // 2, box[1] + box[3] // 2, box


def test_a_click_on_the_drawn_spectrum_picks_its_colour(shown, site):
    log = ChangeLog(shown)
    x, y, spectrum = spectrum_centre(shown)
    width, height, before = pixels_of(shown)
    outside = [
        p for i, p in enumerate(before)
        if not (spectrum[0] <= i % width < spectrum[0] + spectrum[2]
                and spectrum[1] <= i // width < spectrum[1] + spectrum[3])
    ]
    assert argb(SPECTRUM_COLOUR) not in outside  # no swatch shows it yet
    site.rects.clear()

    assert shown.click(x, y) is True
    assert shown.rgb == SPECTRUM_COLOUR
    assert log.changes >= 1
    assert site.focus_requests == 1
    assert site.rects, "the new colour was not invalidated"

    # Redraw only what the control invalidated, into the kept buffer.
    buffer = bytearray(shown.draw())
    for rect in site.rects:
        shown.draw(buffer, area=rect)
    _, _, after = pixels_of(shown, buffer)
    swatch = [
        i for i, p in enumerate(after)
        if p == argb(SPECTRUM_COLOUR)
        and not (spectrum[0] <= i % width < spectrum[0] + spectrum[2]
                 and spectrum[1] <= i // width < spectrum[1] + spectrum[3])
    ]
    assert len(swatch) > 100, "the new-colour swatch does not show the picked colour"


def test_keys_and_typing_reach_the_focused_view(shown):
    log = ChangeLog(shown)
    assert shown.focus_in(tintbox.KEY_TAB) is True  # tabbed in: hsRed, the first stop
    assert shown.key(tintbox.KEY_RIGHT) is True
    assert shown.red == 1
    assert shown.key(tintbox.KEY_TAB) is True  # on to txtRed
    log.take()
    assert shown.key("a", tintbox.MOD_CTRL) is True
    assert shown.text("200") is True
    assert shown.red == 200
    assert log.take() == 3  # one Change a keystroke
    assert shown.key(tintbox.KEY_RETURN) is False  # the host's key
    assert shown.key(tintbox.KEY_BACKTAB) is True
    assert shown.key(tintbox.KEY_BACKTAB) is False  # out of the control at its start


def test_copy_and_paste_go_through_the_site_clipboard(shown, site):
    shown.SetRGB(0x123456)
    shown.focus_in(tintbox.KEY_TAB)
    shown.key(tintbox.KEY_TAB)  # txtRed
    shown.key("A", tintbox.MOD_CTRL)
    shown.key("C", tintbox.MOD_CTRL)
    assert site.clipboard == "86"  # red of 0x123456
    site.clipboard = "17"
    shown.key("A", tintbox.MOD_CTRL)
    shown.key("V", tintbox.MOD_CTRL)
    assert shown.red == 17


def test_the_eyedropper_reads_the_site_screen_on_the_site_timer(shown, site):
    x, y, _ = spectrum_centre(shown)
    site.cursor = (500, 400)
    site.screen[(500, 400)] = 0x336699  # 0x00RRGGBB from the screen
    shown.press(x, y, tintbox.BUTTON_RIGHT)
    assert site.timer == 10
    assert shown.timer_interval == 10
    shown.tick(10)
    assert shown.rgb == 0x996633  # as a colour value 0x00BBGGRR
    shown.release(x, y, tintbox.BUTTON_RIGHT)
    assert site.timer == 0
    assert site.pointers and site.pointers[-1] == tintbox.POINTER_DEFAULT
    assert tintbox.POINTER_CURSOR_B in site.pointers or tintbox.POINTER_CURSOR_A in site.pointers


def test_size_and_property_events(shown):
    events = []
    shown.on_property_changed = events.append
    width, height = shown.extent
    shown.set_extent(width + 200, height, 1.0)
    assert shown.extent == (width + 200, height)
    shown.set_extent(1, 1, 2.0)
    small = shown.extent
    assert small[0] > 1 and small[1] > 1  # its own minimum and fixed height
    shown.enabled = False
    shown.picture = None
    assert events == ["Enabled", "Picture"]


def test_cursor_images_come_from_the_library(shown):
    for shape in (tintbox.POINTER_CURSOR_A, tintbox.POINTER_CURSOR_B):
        image = shown.cursor_image(shape)
        assert (image.width, image.height) == (32, 32)
        assert len(image.pixels) == 32 * 32 * 4
        assert 0 <= image.hot_x < 32 and 0 <= image.hot_y < 32


@pytest.mark.parametrize(
    "call, status",
    [
        (lambda c: c.draw(bytearray(16)), "BufferTooSmall"),
        (lambda c: c.draw(bytes(10**6)), "InvalidArgument"),
        (lambda c: c.draw(bytearray(10**6), stride=4), "BufferTooSmall"),
        (lambda c: c.draw(bytearray(10**6), width=10**5), "BufferTooSmall"),
        (lambda c: c.input(99), "InvalidArgument"),
        (lambda c: c.press(1, 1, button=8), "InvalidArgument"),
        (lambda c: c.key(0x7777), "InvalidArgument"),
        (lambda c: c.text("a\0b"), "InvalidArgument"),
        (lambda c: c.set_extent(100, 100, 0.1), "InvalidArgument"),
        # Integers that ctypes would cut to 32 bits, and what is no integer at all.
        (lambda c: c.set_extent(2**32 + 600, 300), "Overflow"),
        (lambda c: c.draw(area=(2**32, 0, 10, 10)), "Overflow"),
        (lambda c: c.draw(width=-(2**32) + 16), "Overflow"),
        (lambda c: c.press(2**32 + 5, 5), "Overflow"),
        (lambda c: c.input(tintbox.INPUT_KEY, key=2**32 + tintbox.KEY_TAB), "Overflow"),
        (lambda c: c.wheel(5, 5, -(2**32) + 1), "Overflow"),
        (lambda c: c.tick(2**32 + 10), "Overflow"),
        (lambda c: c.cursor_image(2**32 + tintbox.POINTER_CURSOR_A), "Overflow"),
        (lambda c: c.press(1.5, 5), "TypeMismatch"),
        (lambda c: c.draw(area=(0, 0, 10)), "TypeMismatch"),
    ],
)
def test_bad_windowless_calls_raise(shown, call, status):
    with pytest.raises(tintbox.TintboxError) as raised:
        call(shown)
    assert raised.value.status == status
    assert shown.draw() is not None  # still usable


def test_a_site_callback_error_comes_back_from_the_input_call(library):
    class FailingSite(tintbox.Site):
        def request_focus(self):
            raise RuntimeError("no focus here")

    with tintbox.WindowlessTintbox(FailingSite(), library) as control:
        with pytest.raises(RuntimeError):
            control.click(5, 5)
        control.SetRGB(1)


def test_a_site_answer_of_the_wrong_shape_comes_back_as_an_error(library):
    class WrongScreen(RecordingSite):
        def get_pointer_position(self):
            return "nowhere"

    control = tintbox.WindowlessTintbox(WrongScreen(), library)
    control.picture = (1, 1, [SPECTRUM_COLOUR])
    x, y, _ = spectrum_centre(control)
    control.SetRGB(0x010101)
    control.press(x, y, tintbox.BUTTON_RIGHT)
    with pytest.raises(ValueError):
        control.tick(10)  # the eyedropper asks where the pointer is
    control.release(x, y, tintbox.BUTTON_RIGHT)
    assert control.timer_interval == 0
    control.close()


def test_without_a_site_timer_the_host_pumps_tick(library):
    control = tintbox.WindowlessTintbox(library=library)
    control.picture = (1, 1, [SPECTRUM_COLOUR])
    x, y, _ = spectrum_centre(control)
    assert control.timer_interval == 0
    control.press(x, y, tintbox.BUTTON_RIGHT)
    assert control.timer_interval == 10
    control.tick(10)
    control.release(x, y, tintbox.BUTTON_RIGHT)
    assert control.timer_interval == 0
    control.close()


def test_a_drag_across_the_spectrum_follows_the_pointer(shown):
    left, right = 0x0000FF, 0xFF0000
    x, y, spectrum = spectrum_centre(shown)
    shown.picture = (2, 1, [left, right])  # two halves, stretched over the spectrum
    quarter = spectrum[2] // 4
    shown.press(x - quarter, y)
    assert shown.rgb == left
    shown.move(x + quarter, y)  # the button still held
    assert shown.rgb == right
    shown.release(x + quarter, y)
    shown.move(x - quarter, y)  # released: a plain move picks nothing
    assert shown.rgb == right
    assert shown.double_click(x - quarter, y) is True
    shown.release(x - quarter, y)
    assert shown.rgb == left
    shown.leave()
    shown.focus_out()


def test_another_thread_is_refused_and_a_control_it_drops_is_released_at_home(shown, library):
    # The control runs on Qt, whose widgets belong to the thread that created them.
    dropped = [tintbox.WindowlessTintbox(library=library)]
    refusals = []

    def elsewhere():
        for call in (
            lambda: shown.rgb,
            lambda: shown.press(5, 5),
            lambda: shown.draw(),
            lambda: setattr(shown, "picture", None),
            shown.close,
            lambda: tintbox.WindowlessTintbox(library=library),
        ):
            try:
                call()
            except tintbox.TintboxError as error:
                refusals.append(error.status)
        dropped.clear()  # the last reference: its finalizer runs on this thread

    thread = threading.Thread(target=elsewhere)
    thread.start()
    thread.join()
    assert refusals == ["WrongThread"] * 6
    held = len(control_module._instances)
    shown.SetRGB(0x123456)  # releases the dropped control, here
    assert len(control_module._instances) == held - 1
    assert shown.rgb == 0x123456 and shown.draw()
