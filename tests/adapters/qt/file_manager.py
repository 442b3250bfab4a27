#!/usr/bin/python3
"""The desktop's file manager service for the desktop tests (org.freedesktop.FileManager1): it
shows nothing, and writes each request to show files to STATE/shown, one URI a line.

  file_manager.py serve STATE
"""
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.FileManager1"


class FileManager(dbus.service.Object):
    def __init__(self, bus, state):
        super().__init__(bus, "/org/freedesktop/FileManager1")
        self.state = state

    @dbus.service.method(NAME, in_signature="ass")
    def ShowItems(self, uris, startup_id):
        with open(os.path.join(self.state, "shown"), "a") as shown:
            for uri in uris:
                shown.write(f"{uri}\n")

    @dbus.service.method(NAME, in_signature="ass")
    def ShowFolders(self, uris, startup_id):
        self.ShowItems(uris, startup_id)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "serve":
        sys.exit(__doc__)
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    manager = FileManager(bus, sys.argv[2])
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    GLib.MainLoop().run()
