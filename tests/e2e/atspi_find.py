#!/usr/bin/python3
"""Finds a control of a running program through its accessibility tree (AT-SPI), for the
end-to-end tests that drive corvale with the mouse.

  atspi_find.py find PID STEP...   where on the screen to click the control STEP... leads to
  atspi_find.py dump PID           the program's tree of controls on the screen, for a failure

Each STEP narrows the search to the descendants of what the step before it found:
  ROLE=NAME     a control of that AT-SPI role ("push button", "check box", "list item", ...)
                and accessible name
  labelled=TEXT the control that the label TEXT names (a combo box is named by its current
                item, so the label is how it is told apart)
  window=TITLE  a top-level window of the program

Only controls on the screen count: hidden windows and the columns a pane replaced are skipped.
`find` prints one line:
  at X Y                  the control's centre is visible there
  scroll X Y up|down      the control lies in a scrolled-away part; turn the wheel at X Y
It exits with 1, and says why, when no control matches.
"""

import functools
import sys

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
COMPONENT = "org.a11y.atspi.Component"
REGISTRY = "org.a11y.atspi.Registry"
ROOT = "/org/a11y/atspi/accessible/root"
SCREEN = dbus.UInt32(0)

# AtspiStateType bit.
SHOWING = 25
# AtspiRelationType.
LABEL_FOR = 1

# Controls inside these are laid out on windows of their own (a combo box's pop-up list), so
# they are not clipped by the control's own rectangle.
POPUP_OWNERS = ("combo box",)
# Views whose items are drawn by the view itself rather than being controls of their own.
ITEM_VIEWS = ("list", "table", "tree", "tree table")


class Node:
    def __init__(self, bus, name, path, parent=None):
        self.bus, self.name, self.path, self.parent = bus, str(name), str(path), parent
        self._object = bus.get_object(self.name, self.path, introspect=False)

    def call(self, interface, method, *args):
        return getattr(self._object, method)(*args, dbus_interface=interface)

    # Each answer costs a round trip on the bus, so it is asked for once.
    @functools.cached_property
    def role(self):
        return str(self.call(ACCESSIBLE, "GetRoleName"))

    @functools.cached_property
    def label(self):
        return str(self.call("org.freedesktop.DBus.Properties", "Get", ACCESSIBLE, "Name"))

    @functools.cached_property
    def extents(self):
        try:
            return tuple(int(v) for v in self.call(COMPONENT, "GetExtents", SCREEN))
        except dbus.DBusException:
            return (0, 0, 0, 0)

    @functools.cached_property
    def children(self):
        return [Node(self.bus, name, path, self)
                for name, path in self.call(ACCESSIBLE, "GetChildren")]

    def showing(self):
        words = self.call(ACCESSIBLE, "GetState")
        return bool((int(words[0]) | (int(words[1]) << 32)) & (1 << SHOWING))

    def related(self, relation):
        found = []
        for kind, targets in self.call(ACCESSIBLE, "GetRelationSet"):
            if int(kind) == relation:
                found.extend((str(name), str(path)) for name, path in targets)
        return found

    def key(self):
        return (self.name, self.path)

    def descendants(self):
        """Every control on the screen below this one, in reading order (depth first). The items
        of a list count even when scrolled out of its view, since scrolling brings them back."""
        for child in self.children:
            try:
                showing = child.showing()
            except dbus.DBusException:
                continue  # gone while we looked
            if showing or self.role in ITEM_VIEWS:
                yield child
            if showing:
                yield from child.descendants()

    def ancestors(self):
        node = self.parent
        while node is not None:
            yield node
            node = node.parent


def accessibility_bus():
    session = dbus.SessionBus()
    launcher = session.get_object("org.a11y.Bus", "/org/a11y/bus", introspect=False)
    return dbus.bus.BusConnection(str(launcher.GetAddress(dbus_interface="org.a11y.Bus")))


def application(bus, pid):
    registry = Node(bus, REGISTRY, ROOT)
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus", introspect=False)
    for app in registry.children:
        try:
            owner = int(daemon.GetConnectionUnixProcessID(app.name,
                                                          dbus_interface="org.freedesktop.DBus"))
        except dbus.DBusException:
            continue
        if owner == pid:
            app.parent = None
            return app
    return None


def matches(node, kind, value, labelled):
    if kind == "window":
        return node.parent is not None and node.parent.parent is None and node.label == value
    if kind == "labelled":
        return node.key() in labelled
    return node.role == kind and node.label == value


def resolve(app, steps):
    scope = app
    for step in steps:
        kind, _, value = step.partition("=")
        candidates = scope.children if kind == "window" else list(scope.descendants())
        labelled = set()
        if kind == "labelled":
            for node in candidates:
                if node.role == "label" and node.label == value:
                    labelled.update(node.related(LABEL_FOR))
        found = [node for node in candidates
                 if (kind != "window" or node.showing())
                 and matches(node, kind, value, labelled)]
        if not found:
            return None, step
        scope = found[0]
    return scope, None


def visible_rect(node):
    """The part of the screen where the control can be seen, and the ancestor that cuts it."""
    x, y, w, h = node.extents
    left, top, right, bottom = x, y, x + w, y + h
    clipper = None
    for ancestor in node.ancestors():
        if ancestor.role in POPUP_OWNERS or ancestor.parent is None:
            break
        ax, ay, aw, ah = ancestor.extents
        if aw <= 0 or ah <= 0:
            continue
        if clipper is None and (ay > y or ay + ah < y + h):
            clipper = ancestor
        left, top = max(left, ax), max(top, ay)
        right, bottom = min(right, ax + aw), min(bottom, ay + ah)
    return (left, top, right, bottom), clipper


def vertical_scroll_bar(clipper):
    """The scroll bar at the right edge of a clipped area: the wheel turned there scrolls the
    area without a control under the pointer taking the turn (a combo box would change its
    value)."""
    if clipper.parent is None:
        return None
    cx, cy, cw, ch = clipper.extents
    for node in clipper.parent.descendants():
        if node.role != "scroll bar":
            continue
        x, y, w, h = node.extents
        if h > w and abs(x - (cx + cw)) <= 4 and y < cy + ch and y + h > cy:
            return node
    return None


def find(pid, steps):
    bus = accessibility_bus()
    app = application(bus, pid)
    if app is None:
        print("no accessible application with pid %d" % pid)
        return 1
    node, failed = resolve(app, steps)
    if node is None:
        print("not found: %s" % failed)
        return 1
    x, y, w, h = node.extents
    (left, top, right, bottom), clipper = visible_rect(node)
    # Wholly in view; or, for a control taller than its view, its centre.
    taller = clipper is not None and h > clipper.extents[3]
    if clipper is None or (top <= y and bottom >= y + h) or (
            taller and top <= y + h // 2 < bottom):
        print("at %d %d" % ((left + right) // 2, (top + bottom) // 2))
    else:
        wheel = vertical_scroll_bar(clipper) or clipper
        wx, wy, ww, wh = wheel.extents
        direction = "down" if y + h > clipper.extents[1] + clipper.extents[3] else "up"
        print("scroll %d %d %s" % (wx + ww // 2, wy + wh // 2, direction))
    return 0


def dump(pid):
    bus = accessibility_bus()
    app = application(bus, pid)
    if app is None:
        print("no accessible application with pid %d" % pid)
        return 1

    def show(node, depth):
        print("%s%s %r %s" % ("  " * depth, node.role, node.label, node.extents))
        for child in node.children:
            try:
                if child.showing():
                    show(child, depth + 1)
            except dbus.DBusException:
                pass

    show(app, 0)
    return 0


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "find":
        return find(int(sys.argv[2]), sys.argv[3:])
    if len(sys.argv) == 3 and sys.argv[1] == "dump":
        return dump(int(sys.argv[2]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main())
    except dbus.DBusException as error:
        # The program is busy or going; the test asks again.
        print("accessibility bus: %s" % error.get_dbus_message())
        sys.exit(1)
