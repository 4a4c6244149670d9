#!/usr/bin/python3
"""Sends one Notify call described in JSON and prints the id the server gave it.

  notify_raw.py [--linger] '{"app": "Mail", "summary": "Hi", "body": "text", "hints": {"n": 5}}'

With --linger it stays running afterwards, so a reader can still look up the sending process.

JSON escapes put any code point on the bus, including the noncharacters (U+FFFE, U+FFFF,
U+FDD0...) that the bus delivers but some client libraries refuse to send or read.
"""

import json
import sys
import time

import dbus

FDO = "org.freedesktop.Notifications"


def main():
    call = json.loads(sys.argv[-1])
    hints = dbus.Dictionary({}, signature="sv")
    for key, value in call.get("hints", {}).items():
        hints[key] = dbus.Int32(value) if isinstance(value, int) else dbus.String(value)
    proxy = dbus.SessionBus().get_object(FDO, "/org/freedesktop/Notifications")
    notification_id = proxy.Notify(
        dbus.String(call.get("app", "")), dbus.UInt32(call.get("replaces", 0)), "",
        dbus.String(call.get("summary", "")), dbus.String(call.get("body", "")),
        dbus.Array([], signature="s"), hints, dbus.Int32(-1), dbus_interface=FDO)
    print(int(notification_id), flush=True)
    if "--linger" in sys.argv:
        time.sleep(60)


if __name__ == "__main__":
    main()
