#!/usr/bin/python3
"""A notification server for tests that has a do-not-disturb switch.

Owns org.freedesktop.Notifications and exposes its "Inhibited" property through
org.freedesktop.DBus.Properties, announcing changes with PropertiesChanged as KDE Plasma does.
The test flips it by calling SetInhibited(b) on com.talvo.test.DoNotDisturb. With --no-property
the server has no Inhibited property at all, like most servers.
"""

import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

FDO = "org.freedesktop.Notifications"
PROPERTIES = "org.freedesktop.DBus.Properties"
CONTROL = "com.talvo.test.DoNotDisturb"


class Server(dbus.service.Object):
    def __init__(self, bus, inhibited, has_property):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.inhibited = inhibited
        self.has_property = has_property
        self.next_id = 1

    def properties(self):
        return {"Inhibited": dbus.Boolean(self.inhibited)} if self.has_property else {}

    @dbus.service.method(FDO, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, timeout):
        self.next_id += 1
        return dbus.UInt32(self.next_id - 1)

    @dbus.service.method(FDO, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = self.properties()
        if interface != FDO or name not in values:
            raise dbus.exceptions.DBusException(
                "no such property", name="org.freedesktop.DBus.Error.UnknownProperty")
        return values[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties() if interface == FDO else {}

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.method(CONTROL, in_signature="b", out_signature="")
    def SetInhibited(self, inhibited):
        self.inhibited = bool(inhibited)
        self.PropertiesChanged(FDO, {"Inhibited": dbus.Boolean(self.inhibited)}, [])

    @dbus.service.method(CONTROL, in_signature="b", out_signature="")
    def SetInhibitedQuietly(self, inhibited):
        """Changes the value but only says that it changed, as a server may."""
        self.inhibited = bool(inhibited)
        self.PropertiesChanged(FDO, dbus.Dictionary({}, signature="sv"), ["Inhibited"])


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    server = Server(bus, "--inhibited" in sys.argv, "--no-property" not in sys.argv)
    name = dbus.service.BusName(FDO, bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    return 0 if server and name else 1


if __name__ == "__main__":
    sys.exit(main())
