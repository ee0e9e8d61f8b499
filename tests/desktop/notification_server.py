#!/usr/bin/python3
"""A desktop's notification service (org.freedesktop.Notifications) for
tests: each notification is named on standard output as "notify TITLE|BODY";
with --click, each is clicked a moment after it came."""

import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NOTIFICATIONS = "org.freedesktop.Notifications"


class Server(dbus.service.Object):
    def __init__(self, bus, click):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.click = click
        self.last = 0

    @dbus.service.method(NOTIFICATIONS, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        print(f"notify {summary}|{body}", flush=True)
        if self.click and "default" in actions:
            number = self.last
            GLib.timeout_add(300, lambda: self.ActionInvoked(number, "default") and False)
        return self.last

    @dbus.service.method(NOTIFICATIONS, out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(NOTIFICATIONS, out_signature="ssss")
    def GetServerInformation(self):
        return ("zandorelle-tests", "zandorelle", "1.0", "1.2")

    @dbus.service.method(NOTIFICATIONS, in_signature="u")
    def CloseNotification(self, number):
        self.NotificationClosed(number, 3)

    @dbus.service.signal(NOTIFICATIONS, signature="us")
    def ActionInvoked(self, number, action):
        pass

    @dbus.service.signal(NOTIFICATIONS, signature="uu")
    def NotificationClosed(self, number, reason):
        pass


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    server = Server(bus, "--click" in sys.argv)
    name = dbus.service.BusName(NOTIFICATIONS, bus)
    print("serving", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
