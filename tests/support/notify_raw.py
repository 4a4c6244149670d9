#!/usr/bin/python3
"""Sends one Notify call described in JSON and prints the id the server gave it.

  notify_raw.py '{"app": "Mail", "summary": "Hi", "body": "text", "hints": {"k": "v", "n": 5}}'

JSON escapes put any code point on the bus, including the noncharacters (U+FFFE, U+FFFF,
U+FDD0...) that the bus delivers but some client libraries refuse to send or read.
"""

import json
import sys

import dbus

FDO = "org.freedesktop.Notifications"


def main():
    spec = json.loads(sys.argv[1])
    hints = dbus.Dictionary({}, signature="sv")
    for key, value in spec.get("hints", {}).items():
        hints[key] = dbus.Int32(value) if isinstance(value, int) else dbus.String(value)
    proxy = dbus.SessionBus().get_object(FDO, "/org/freedesktop/Notifications")
    notification_id = proxy.Notify(
        dbus.String(spec.get("app", "")), dbus.UInt32(spec.get("replaces", 0)), "",
        dbus.String(spec.get("summary", "")), dbus.String(spec.get("body", "")),
        dbus.Array([], signature="s"), hints, dbus.Int32(-1), dbus_interface=FDO)
    print(int(notification_id), flush=True)


if __name__ == "__main__":
    main()
