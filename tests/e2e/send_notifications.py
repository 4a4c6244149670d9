#!/usr/bin/python3
"""Sends notifications to the session bus as fast as it can, for the end-to-end tests.

  send_notifications.py burst N     N notifications at once (asynchronous calls, then the replies)
  send_notifications.py flood N     N notifications as fast as possible
  send_notifications.py hostile N   malformed and oversized calls, and N distinct app names
"""

import sys

import dbus
import dbus.lowlevel

FDO = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


def notify_message(app, summary, body, signature="susssasa{sv}i", args=None):
    message = dbus.lowlevel.MethodCallMessage(FDO, PATH, FDO, "Notify")
    if args is None:
        args = [app, dbus.UInt32(0), "", summary, body, dbus.Array([], "s"),
                dbus.Dictionary({}, "sv"), dbus.Int32(5000)]
    message.append(*args, signature=signature)
    return message


def send_all(bus, messages):
    """Sends every message without waiting, then waits for all replies."""
    for message in messages:
        bus.send_message(message)
    bus.flush()
    # A final synchronous call returns once the server has answered everything before it.
    proxy = bus.get_object(FDO, PATH)
    proxy.GetServerInformation(dbus_interface=FDO)


def main():
    mode, count = sys.argv[1], int(sys.argv[2])
    bus = dbus.SessionBus()
    if mode in ("burst", "flood"):
        send_all(bus, [notify_message("Flood", "Message %d" % i, "body %d" % i) for i in range(count)])
    elif mode == "hostile":
        messages = []
        # Wrong signatures: the reader must ignore them.
        messages.append(notify_message(None, None, None, signature="s", args=["only a string"]))
        messages.append(notify_message(None, None, None, signature="uu", args=[dbus.UInt32(1), dbus.UInt32(2)]))
        messages.append(notify_message(None, None, None, signature="", args=[]))
        # Huge texts.
        megabyte = "x" * (1024 * 1024)
        messages.append(notify_message("Big", megabyte, megabyte))
        messages.append(notify_message(megabyte[:300000], "long app name", "b"))
        # Markup that never closes and entities that are not entities.
        messages.append(notify_message("Markup", "<b", "<<<&#xZZZZ;&amp;&#999999999;<i>" * 1000))
        # Line breaks that would forge log lines.
        messages.append(notify_message("Forger", "a\nDETECTED #999 app=\"fake\"", "\r\n"))
        # Many distinct app names.
        for i in range(count):
            messages.append(notify_message("App %05d" % i, "t", "b"))
        send_all(bus, messages)
    else:
        sys.exit("unknown mode " + mode)


if __name__ == "__main__":
    main()
