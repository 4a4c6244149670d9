#!/usr/bin/python3
"""A desktop portal backend offering org.freedesktop.impl.portal.GlobalShortcuts, for tests.

The desktop assigns each shortcut its preferred trigger. With --plasma it behaves as Plasma 5.27's
backend: only CreateSession's "shortcuts" option registers shortcuts, and BindShortcuts answers at
once with none. The test drives it through com.talvo.test.Shortcuts (Activate, CloseSessions) and
reads what it was asked on standard output.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

IMPL = "org.freedesktop.impl.portal.GlobalShortcuts"
SESSION = "org.freedesktop.impl.portal.Session"
PLASMA = "--plasma" in sys.argv


def say(*words):
    print(*words, flush=True)


def assigned(shortcuts):
    return dbus.Array(
        [dbus.Struct((sid, {"description": opts.get("description", ""),
                            "trigger_description": opts.get("preferred_trigger", "")}),
                     signature="sa{sv}")
         for sid, opts in shortcuts],
        signature="(sa{sv})")


class Session(dbus.service.Object):
    def __init__(self, bus, path, shortcuts):
        super().__init__(bus, path)
        self.path = path
        self.shortcuts = shortcuts

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        say("closed-by-client", self.path)
        sessions.pop(self.path, None)
        self.remove_from_connection()

    @dbus.service.signal(SESSION, signature="")
    def Closed(self):
        pass


class Backend(dbus.service.Object):
    @dbus.service.method(IMPL, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session_handle, app_id, options):
        shortcuts = [(str(s), dict(o)) for s, o in options.get("shortcuts", [])]
        say("create", str(options.get("session_handle_token", "")),
            ",".join(f"{s}={o.get('preferred_trigger', '')}" for s, o in shortcuts))
        # A restarted frontend reuses the path of a session its predecessor left behind.
        if str(session_handle) in sessions:
            sessions.pop(str(session_handle)).remove_from_connection()
        sessions[str(session_handle)] = Session(self.connection, session_handle,
                                                shortcuts if PLASMA else [])
        return 0, {"session_handle": session_handle}

    @dbus.service.method(IMPL, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
    def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options):
        say("bind", len(shortcuts))
        session = sessions.get(str(session_handle))
        if PLASMA or session is None:
            return 0, {"shortcuts": dbus.Array([], signature="(sa{sv})")}
        session.shortcuts = [(str(s), dict(o)) for s, o in shortcuts]
        return 0, {"shortcuts": assigned(session.shortcuts)}

    @dbus.service.method(IMPL, in_signature="oo", out_signature="ua{sv}")
    def ListShortcuts(self, handle, session_handle):
        session = sessions.get(str(session_handle))
        return 0, {"shortcuts": assigned(session.shortcuts if session else [])}

    @dbus.service.signal(IMPL, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return dbus.UInt32(1)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"version": dbus.UInt32(1)}


class Control(dbus.service.Object):
    @dbus.service.method("com.talvo.test.Shortcuts", in_signature="s", out_signature="")
    def Activate(self, shortcut_id):
        for path in list(sessions):
            backend.Activated(path, shortcut_id, dbus.UInt64(0), {})

    @dbus.service.method("com.talvo.test.Shortcuts", in_signature="", out_signature="")
    def CloseSessions(self):
        for path, session in list(sessions.items()):
            sessions.pop(path)
            session.Closed()
            session.remove_from_connection()


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
sessions = {}
backend = Backend(bus, "/org/freedesktop/portal/desktop")
control = Control(bus, "/control")
names = [dbus.service.BusName("org.freedesktop.impl.portal.desktop.corvaletest", bus),
         dbus.service.BusName("com.talvo.test.Shortcuts", bus)]
say("ready")
GLib.MainLoop().run()
