"""Checks a demo's accessible tree as AT-SPI shows it to a screen reader (the widgets
demo, the QML demo and the GTK example run it alike).

The control is one group named "Colour picker" whose children are the views a person
can reach, each named, in reading order; the auxiliary fields never appear.
"""
import sys
import time

import pyatspi

EXPECTED = [
    "Previous colour", "Colour spectrum", "New colour", "Red", "Red value", "Green",
    "Green value", "Blue", "Blue value", "Colour number, decimal",
    "Colour number, hexadecimal, blue first", "Web colour, red green blue",
]


def find(node, predicate, depth=0):
    if node is None or depth > 30:
        return None
    if predicate(node):
        return node
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), predicate, depth + 1)
        if found is not None:
            return found
    return None


def main():
    deadline = time.monotonic() + 20
    group = None
    while group is None and time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and "tintbox" in (app.name or "").lower():
                group = find(app, lambda n: n.name == "Colour picker")
        if group is None:
            time.sleep(0.5)
    if group is None:
        print("FAIL: no accessible group named 'Colour picker' in the demo")
        return 1
    names = [group.getChildAtIndex(i).name for i in range(group.childCount)]
    # Reading order puts the spectrum beside the first swatch; compare as a set first.
    if sorted(names) != sorted(EXPECTED):
        print("FAIL: children", names)
        return 1
    tops = [group.getChildAtIndex(i).queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y
            for i in range(group.childCount)]
    if tops != sorted(tops):
        print("FAIL: children not top to bottom", list(zip(names, tops)))
        return 1
    hidden = find(group, lambda n: (n.name or "").startswith("txtHidden"))
    if hidden is not None:
        print("FAIL: an auxiliary field is in the tree")
        return 1
    print("accessible tree:", " | ".join(names))
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
