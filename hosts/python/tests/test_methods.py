"""Every method and property of the control through the package."""

import pytest

import tintbox
from conftest import ChangeLog


@pytest.mark.parametrize(
    "value, shown, components",
    [
        (0x336699, 0x336699, (0x99, 0x66, 0x33)),
        (255, 255, (255, 0, 0)),
        (-1, 0, (0, 0, 0)),
        (16777216, 16777215, (255, 255, 255)),
        (2**31 - 1, 16777215, (255, 255, 255)),
    ],
)
def test_set_rgb_limits_the_colour_and_raises_change_once(box, log, value, shown, components):
    box.SetRGB(value)
    assert box.GetRGB() == box.rgb == shown
    assert (box.GetRed(), box.GetGreen(), box.GetBlue()) == components
    assert (box.red, box.green, box.blue) == components
    assert log.take() == 1


@pytest.mark.parametrize(
    "setter, value, shown, changes",
    [
        ("SetRed", 255, 0x0000FF, 2),  # the field's own update, then the setter's
        ("SetGreen", 300, 0x00FF00, 2),
        ("SetBlue", 128, 0x800000, 2),
        ("SetRed", -5, 0x000000, 1),  # "0" is already shown: only the setter's update
        ("SetRed", 32767, 0x0000FF, 2),
    ],
)
def test_component_setters_limit_and_count_changes(box, log, setter, value, shown, changes):
    getattr(box, setter)(value)
    assert box.rgb == shown
    assert log.take() == changes


def test_component_properties_set_through_the_setters(box, log):
    box.red, box.green, box.blue = 1, 2, 3
    assert box.rgb == 0x030201
    assert log.take() == 6
    box.rgb = 0xABCDEF
    assert (box.red, box.green, box.blue) == (0xEF, 0xCD, 0xAB)


def test_change_callback_reads_the_new_colour(box):
    seen = []
    box.on_change = lambda: seen.append(box.rgb)
    box.SetRGB(0x123456)
    box.SetRed(0x10)
    assert seen == [0x123456, 0x123410, 0x123410]


def test_no_change_callback_after_it_is_removed(box, log):
    box.on_change = None
    box.SetRGB(5)
    assert log.take() == 0


@pytest.mark.parametrize(
    "number, value, cleaned",
    [
        ("#1a2B3d", 1715005, "1A2B3D"),
        ("0x10", 16, "010"),
        ("FFFFFFF", 268435455, "FFFFFFF"),
        ("FFFFFFFF", 0, "FFFFFFFF"),
        ("00000001", 0, "00000001"),
        ("xyz", 0, ""),
        ("", 0, ""),
        ("é-f\u00ff\0 1", 241, "F1"),
        ("\ud800ab", 171, "AB"),  # a lone surrogate is one code unit, dropped
    ],
)
def test_dec_returns_the_value_and_the_cleaned_text(box, log, number, value, cleaned):
    assert box.Dec(number) == (value, cleaned)
    assert log.take() == 0


@pytest.mark.parametrize(
    "value, components",
    [
        (0x123456, (0x56, 0x34, 0x12)),
        (16777215, (255, 255, 255)),
        (16777216, (0, 0, 0)),
        (-1, (255, 0, 0)),
        (-257, (255, 255, 0)),
        (True, (255, 0, 0)),  # a Boolean True is -1
    ],
)
def test_sep_rgb_splits_a_value(box, value, components):
    assert box.SepRGB(value) == components


def test_picture_is_none_until_set_and_comes_back_as_the_same_object(box, log):
    assert box.picture is None and box.Picture is None
    picture = tintbox.Picture(2, 2, [0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF])
    box.picture = picture
    assert box.picture is picture
    assert box.Picture is picture
    box.picture = (1, 2, [7, 8])  # a plain tuple becomes a Picture
    assert box.picture == tintbox.Picture(1, 2, (7, 8))
    assert box.picture is box.picture
    box.picture = None
    assert box.picture is None
    assert log.properties == ["Picture", "Picture", "Picture"]
    assert log.take() == 0


def test_enabled_switches_and_announces_itself(box, log):
    assert box.enabled is True
    box.enabled = False
    assert box.Enabled is False
    box.Enabled = True
    assert box.enabled is True
    box.enabled = 0  # any number, as a Boolean
    assert box.enabled is False
    assert log.properties == ["Enabled"] * 3


def test_properties_survive_a_property_bag_file(library, box, tmp_path):
    bag = tmp_path / "form.tbag"
    box.picture = (2, 1, [0x112233, 0x445566])
    box.enabled = False
    box.write_properties(bag)
    with tintbox.Tintbox(library) as restored:
        log = ChangeLog(restored)
        restored.read_properties(str(bag))
        assert restored.picture == tintbox.Picture(2, 1, (0x112233, 0x445566))
        assert restored.enabled is False
        assert log.properties == ["Picture"]  # Enabled is restored directly


def test_an_empty_bag_gives_the_defaults(library, tmp_path):
    bag = tmp_path / "empty.tbag"
    with tintbox.Tintbox(library) as fresh:
        fresh.write_properties(bag)
    with tintbox.Tintbox(library) as restored:
        restored.picture = (1, 1, [1])
        restored.read_properties(bag)
        assert restored.picture is None
        assert restored.enabled is True


def test_two_controls_are_independent(library, box):
    with tintbox.Tintbox(library) as other:
        box.SetRGB(1)
        other.SetRGB(2)
        assert (box.rgb, other.rgb) == (1, 2)
