import os

import pytest

import tintbox


def pytest_configure(config):
    if not os.environ.get("TINTBOX_LIBRARY"):
        raise pytest.UsageError(
            "set TINTBOX_LIBRARY to the built libtintboxctl.so (ctest sets it)"
        )


@pytest.fixture
def library():
    return os.environ["TINTBOX_LIBRARY"]


class ChangeLog:
    """Counts Change events and property changes of one control."""

    def __init__(self, control):
        self.changes = 0
        self.properties = []
        control.on_change = self.change
        control.on_property_changed = self.properties.append

    def change(self):
        self.changes += 1

    def take(self):
        count, self.changes = self.changes, 0
        return count


@pytest.fixture
def box(library):
    control = tintbox.Tintbox(library)
    yield control
    control.close()


@pytest.fixture
def log(box):
    return ChangeLog(box)
