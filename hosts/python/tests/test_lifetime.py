"""Callbacks and the garbage collector: a callback lives as long as it is subscribed,
a control with callbacks can be collected at any time, and many controls leave no
memory behind."""

import gc
import weakref

import tintbox
from tintbox import control as control_module


def resident_kib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


def make_and_drop(library, count):
    """Controls whose callbacks refer to the control itself (reference cycles only the
    collector frees); a third are closed, the rest are left to the collector."""
    for index in range(count):
        box = tintbox.Tintbox(library)
        seen = []
        box.on_change = lambda box=box, seen=seen: seen.append(box.rgb)
        box.on_property_changed = seen.append
        box.SetRGB(index)
        box.enabled = False
        assert seen == [index, "Enabled"]
        if index % 3 == 0:
            box.close()


def test_ten_thousand_controls_with_callbacks_leave_memory_flat(library):
    make_and_drop(library, 1000)  # warm-up: the allocator's arenas, ctypes' caches
    gc.collect()
    live = len(control_module._instances)
    before = resident_kib()
    make_and_drop(library, 10000)
    gc.collect()
    after = resident_kib()
    assert len(control_module._instances) == live
    # A control that stayed alive would cost tens of kilobytes: 10,000 of them hundreds
    # of megabytes. The bound leaves room for the allocator's own moods.
    assert after - before < 16 * 1024, f"resident memory grew by {after - before} KiB"


def test_a_callback_lives_as_long_as_it_is_subscribed(library):
    box = tintbox.Tintbox(library)
    seen = []
    box.on_change = lambda: seen.append(1)  # the control holds the only reference
    gc.collect()
    box.SetRGB(1)
    assert seen == [1]
    box.close()


def test_a_collected_control_unsubscribes_and_releases(library):
    box = tintbox.Tintbox(library)
    box.on_change = lambda box=box: box.rgb  # a cycle through the callback
    alive = weakref.ref(box)
    key = box._dispatch.key
    del box
    gc.collect()
    assert alive() is None
    assert key not in control_module._instances


def test_controls_collected_inside_a_callback(library):
    """The collector may run inside a Change callback and free other controls (and the
    one whose event is running, once nothing refers to it)."""
    others = [tintbox.Tintbox(library) for _ in range(20)]
    for other in others:
        other.on_change = lambda other=other: other.rgb
    box = tintbox.Tintbox(library)
    holder = [box]

    def drop_everything():
        others.clear()
        holder.clear()
        gc.collect()

    box.on_change = drop_everything
    box.SetRed(9)  # two events: the second finds the control still working
    assert box.rgb == 9
    del box
    gc.collect()


def test_a_callback_may_close_its_own_control(library):
    box = tintbox.Tintbox(library)
    box.on_change = box.close
    box.SetRed(3)  # the second Change finds no subscriber: the call still ends well
    assert repr(box) == "<Tintbox closed>"
