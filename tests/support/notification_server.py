#!/usr/bin/python3
"""A small notification server for tests.

Owns org.freedesktop.Notifications and org.gtk.Notifications on the session bus and answers
Notify, CloseNotification (emitting NotificationClosed), GetCapabilities, GetServerInformation,
AddNotification and RemoveNotification. It shows nothing; it keeps ids as a real server does.

  notification_server.py [--max N]   refuse new notifications while N are shown, with the error
                                     notification-daemon gives at its limit
  notification_server.py --gtk-apart owns org.gtk.Notifications on a connection of its own, as
                                     a desktop shell with two bus connections may
  notification_server.py --inhibitable [--inhibited]
      has a do-not-disturb switch: an "Inhibited" property (off, or on with --inhibited) read
      through org.freedesktop.DBus.Properties and announced with PropertiesChanged as KDE Plasma
      does. The test flips it by calling SetInhibited(b) or SetInhibitedQuietly(b) on
      com.talvo.test.DoNotDisturb. Without it the server has no such property, like most servers.
"""

import sys

import dbus
import dbus.exceptions
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

FDO = "org.freedesktop.Notifications"
GTK = "org.gtk.Notifications"
PROPERTIES = "org.freedesktop.DBus.Properties"
CONTROL = "com.talvo.test.DoNotDisturb"


class MaxNotificationsExceeded(dbus.exceptions.DBusException):
    _dbus_error_name = FDO + ".MaxNotificationsExceeded"


class Notifications(dbus.service.Object):
    def __init__(self, bus, limit):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.next_id = 1
        self.shown = set()
        self.limit = limit

    @dbus.service.method(FDO, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, timeout):
        if replaces_id in self.shown:
            return dbus.UInt32(replaces_id)
        if self.limit is not None and len(self.shown) >= self.limit:
            raise MaxNotificationsExceeded("Exceeded maximum number of notifications")
        notification_id = self.next_id
        self.next_id += 1
        self.shown.add(notification_id)
        if timeout > 0:
            GLib.timeout_add(timeout, self.expire, notification_id)
        return dbus.UInt32(notification_id)

    def expire(self, notification_id):
        if notification_id in self.shown:
            self.shown.discard(notification_id)
            self.NotificationClosed(notification_id, dbus.UInt32(1))
        return False

    @dbus.service.method(FDO, in_signature="u", out_signature="")
    def CloseNotification(self, notification_id):
        if notification_id in self.shown:
            self.shown.discard(notification_id)
            self.NotificationClosed(notification_id, dbus.UInt32(3))

    @dbus.service.method(FDO, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup"]

    @dbus.service.method(FDO, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("corvale-test-server", "corvale", "1", "1.2")

    @dbus.service.signal(FDO, signature="uu")
    def NotificationClosed(self, notification_id, reason):
        pass


class InhibitableNotifications(Notifications):
    def __init__(self, bus, limit, inhibited):
        super().__init__(bus, limit)
        self.inhibited = inhibited

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface != FDO or name != "Inhibited":
            raise dbus.exceptions.DBusException(
                "no such property", name="org.freedesktop.DBus.Error.UnknownProperty")
        return dbus.Boolean(self.inhibited)

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"Inhibited": dbus.Boolean(self.inhibited)} if interface == FDO else {}

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


class GtkNotifications(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/gtk/Notifications")

    @dbus.service.method(GTK, in_signature="ssa{sv}", out_signature="")
    def AddNotification(self, app_id, notification_id, notification):
        pass

    @dbus.service.method(GTK, in_signature="ss", out_signature="")
    def RemoveNotification(self, app_id, notification_id):
        pass


def main():
    limit = int(sys.argv[sys.argv.index("--max") + 1]) if "--max" in sys.argv else None
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    gtk_bus = dbus.SessionBus(private=True) if "--gtk-apart" in sys.argv else bus
    inhibited = "--inhibited" in sys.argv
    if inhibited or "--inhibitable" in sys.argv:
        notifications = InhibitableNotifications(bus, limit, inhibited)
    else:
        notifications = Notifications(bus, limit)
    objects = [notifications, GtkNotifications(gtk_bus)]
    names = [dbus.service.BusName(GTK, gtk_bus, do_not_queue=True),
             dbus.service.BusName(FDO, bus, do_not_queue=True)]
    print("ready", flush=True)
    GLib.MainLoop().run()
    return 0 if objects and names else 1


if __name__ == "__main__":
    sys.exit(main())
