"""Bad calls give a TintboxError (or an OSError for a library that cannot be loaded),
never a crash, and leave the control usable."""

import os
import shutil
import threading

import pytest

import tintbox


@pytest.mark.parametrize(
    "call, status, kind",
    [
        (lambda b: b.SetRGB("red"), "TypeMismatch", None),
        (lambda b: b.SetRGB(1.5), "TypeMismatch", None),
        (lambda b: b.SetRGB(None), "TypeMismatch", None),
        (lambda b: b.SetRGB(2**31), "Overflow", None),
        (lambda b: b.SetRGB(-(2**40)), "Overflow", None),
        (lambda b: b.SetRed(32768), "Overflow", None),
        (lambda b: b.SetGreen(-32769), "Overflow", None),
        (lambda b: b.SetBlue([1]), "TypeMismatch", None),
        (lambda b: b.Dec(12), "TypeMismatch", None),
        (lambda b: b.Dec(b"12"), "TypeMismatch", None),
        (lambda b: b.SepRGB("1"), "TypeMismatch", None),
        (lambda b: setattr(b, "enabled", "yes"), "TypeMismatch", None),
        (lambda b: setattr(b, "picture", "spectrum.png"), "TypeMismatch", None),
        (lambda b: setattr(b, "picture", (2, 2, [1, 2, 3])), "InvalidArgument", None),
        (lambda b: setattr(b, "picture", (1, 1, ["x"])), "TypeMismatch", None),
        (lambda b: setattr(b, "picture", (1, 1, [2**40])), "TypeMismatch", None),
        (lambda b: setattr(b, "picture", (0, 0, [])), "ControlError", "InvalidPicture"),
        (lambda b: setattr(b, "picture", (-1, 3, [])), "ControlError", "InvalidPicture"),
        (lambda b: setattr(b, "picture", (2**31, 0, [])), "Overflow", None),
        (lambda b: setattr(b, "picture", (1, -(2**31) - 1, [])), "Overflow", None),
        (lambda b: setattr(b, "picture", (True, 1, [5])), "TypeMismatch", None),
        (lambda b: setattr(b, "picture", (1.0, 1, [5])), "TypeMismatch", None),
        (lambda b: b.read_properties("/nonexistent/form.tbag"), "ControlError", "File"),
        (lambda b: b.write_properties("/nonexistent/dir/form.tbag"), "ControlError", "File"),
        (lambda b: b.read_properties("bag\0name"), "InvalidArgument", None),
    ],
)
def test_bad_calls_raise_tintbox_error_and_change_nothing(box, log, call, status, kind):
    box.SetRGB(0x010203)
    log.take()
    with pytest.raises(tintbox.TintboxError) as raised:
        call(box)
    assert (raised.value.status, raised.value.kind) == (status, kind)
    assert str(raised.value)
    assert box.rgb == 0x010203 and box.picture is None and box.enabled is True
    assert log.take() == 0


@pytest.mark.parametrize("width, height", [(-(2**32) + 256, 1), (1, -(2**32) + 256)])
def test_a_picture_size_beyond_32_bits_never_reaches_the_library(box, tmp_path, width, height):
    # Cut to 32 bits, a side would be 256 with no pixels behind it: the library would
    # read past the pixels given, and a save would write that memory into the bag.
    with pytest.raises(tintbox.TintboxError) as raised:
        tintbox.Picture(width, height, ())
    assert raised.value.status == "Overflow"
    with pytest.raises(tintbox.TintboxError):
        box.picture = (width, height, ())
    box.write_properties(tmp_path / "saved.tbag")
    with tintbox.Tintbox(box.library_path) as fresh:
        fresh.write_properties(tmp_path / "fresh.tbag")
    assert (tmp_path / "saved.tbag").read_bytes() == (tmp_path / "fresh.tbag").read_bytes()


def test_threads_sharing_one_control_each_get_their_own_error(box):
    # The library keeps one error message per control, replaced by every call: without
    # one call at a time, a thread reads another's message or one already freed.
    def overflow_message(value):
        try:
            box.SetRed(value)
        except tintbox.TintboxError as error:
            return error.message
        return None

    template = overflow_message(1000000)
    wrong = []

    def hammer(first):
        for value in range(first, first + 5000):
            message = overflow_message(value)
            if message != template.replace("1000000", str(value)):
                wrong.append(message)

    firsts = (-500000, 100000, 200000, 300000)  # all beyond SetRed's 16 bits
    threads = [threading.Thread(target=hammer, args=(first,)) for first in firsts]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert not wrong, f"{len(wrong)} wrong messages, such as {wrong[:3]}"


def test_a_damaged_bag_is_a_bad_property_bag(box, tmp_path):
    bag = tmp_path / "damaged.tbag"
    bag.write_bytes(b"\x00\xffnot a bag")
    with pytest.raises(tintbox.TintboxError) as raised:
        box.read_properties(bag)
    assert raised.value.kind == "BadPropertyBag"


def test_a_callback_error_comes_back_after_the_call_ran_to_its_end(box):
    calls = []

    def failing():
        calls.append(box.rgb)
        raise KeyError("from the handler")

    box.on_change = failing
    with pytest.raises(KeyError):
        box.SetRed(200)  # two Change events: both run, the first error comes back
    assert calls == [200, 200]
    assert box.rgb == 200
    box.on_change = None
    box.SetRGB(1)  # nothing left over


def test_a_closed_control_refuses_calls(library):
    box = tintbox.Tintbox(library)
    box.close()
    box.close()
    with pytest.raises(tintbox.TintboxError) as raised:
        box.GetRGB()
    assert raised.value.status == "Released"
    assert repr(box) == "<Tintbox closed>"


@pytest.mark.parametrize("name", ["missing.so", "not-a-library.so"])
def test_a_library_that_cannot_be_loaded_is_an_os_error(tmp_path, name):
    (tmp_path / "not-a-library.so").write_text("text")
    with pytest.raises(OSError):
        tintbox.Tintbox(tmp_path / name)


def test_a_library_without_the_class_is_a_tintbox_error():
    libc = "/lib/x86_64-linux-gnu/libc.so.6"
    if not os.path.exists(libc):
        pytest.skip("no libc at the Debian path")
    with pytest.raises(tintbox.TintboxError) as raised:
        tintbox.Tintbox(libc)
    assert raised.value.status == "ClassNotAvailable"


def test_the_library_is_found_through_the_registry(library, tmp_path, monkeypatch):
    registry = tmp_path / "registry"
    monkeypatch.setenv("TINTBOX_REGISTRY_DIR", str(registry))
    monkeypatch.delenv("TINTBOX_LIBRARY")
    # A copy, so that the registry names a library other than the one the tests load.
    copy = tmp_path / "libtintboxctl.so"
    shutil.copy(library, copy)
    loaded = tintbox.load_library(copy)
    assert loaded.dll.DllRegisterServer() == 0
    assert tintbox.find_library() == str(copy.resolve())
    with tintbox.Tintbox() as box:
        assert box.library_path == str(copy.resolve())
        box.SetRGB(7)
        assert box.rgb == 7
    assert loaded.dll.DllUnregisterServer() == 0
    with pytest.raises(tintbox.TintboxError) as raised:
        tintbox.find_library()
    assert raised.value.status == "NotFound"
