#!/usr/bin/python3
"""A StatusNotifierWatcher for tests: owns org.kde.StatusNotifierWatcher, says a host is there,
accepts item registrations, and prints one line per registration and per icon the item shows:
"registered SERVICE" and "icon N red=R green=G" (N counts icons; R and G count strongly red
and green pixels of the largest pixmap)."""

import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
PROPS = "org.freedesktop.DBus.Properties"


INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
</node>"""


def say(text):
    print(text, flush=True)


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.items = []
        self.icons = 0

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = "/StatusNotifierItem"
        if service.startswith("/"):
            path, service = service, sender
        self.items.append(service)
        say("registered %s" % service)
        self.StatusNotifierItemRegistered(service)
        self.bus.add_signal_receiver(lambda *a: self.read_icon(service, path), "NewIcon", ITEM,
                                     sender)
        self.read_icon(service, path)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    # Qt reads the watcher's properties through introspection, which dbus-python leaves out.
    @dbus.service.method("org.freedesktop.DBus.Introspectable", in_signature="",
                         out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "ProtocolVersion": dbus.Int32(0),
        }

    def read_icon(self, service, path):
        try:
            item = self.bus.get_object(service, path)
            pixmaps = item.Get(ITEM, "IconPixmap", dbus_interface=PROPS)
        except dbus.DBusException as error:
            say("error %s" % error.get_dbus_name())
            return
        if not pixmaps:
            say("icon none")
            return
        width, height, data = max(pixmaps, key=lambda p: int(p[0]))
        data = bytes(data)
        red = green = 0
        for i in range(0, len(data) - 3, 4):  # ARGB, network byte order
            a, r, g, b = data[i], data[i + 1], data[i + 2], data[i + 3]
            if a > 200 and r > 180 and g < 110 and b < 110:
                red += 1
            if a > 200 and g > 120 and r < 110 and b < 110:
                green += 1
        self.icons += 1
        say("icon %d red=%d green=%d size=%d" % (self.icons, red, green, int(width)))


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    name = dbus.service.BusName(WATCHER, bus)
    say("watching")
    GLib.MainLoop().run()
    del name, watcher


if __name__ == "__main__":
    sys.exit(main())
