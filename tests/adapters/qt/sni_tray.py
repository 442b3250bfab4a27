#!/usr/bin/python3
"""A StatusNotifierItem tray for the desktop tests: the watcher a panel provides
(org.kde.StatusNotifierWatcher) and its host, which reads each item that registers as a panel
would, and the clicks a user makes on the item.

  sni_tray.py serve STATE       be the tray until ended; STATE/items gets one line per
                                registration: "SERVICE PATH TOOLTIP-TITLE"
  sni_tray.py activate STATE    a left click on the newest item
  sni_tray.py menu STATE LABEL  a click on the entry of its menu that reads LABEL
"""
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


class Watcher(dbus.service.Object):
    def __init__(self, bus, state):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.state = state
        self.items = []

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # Items name either their bus name or, on the caller's connection, their object path.
        name, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        if name + path not in self.items:
            self.items.append(name + path)
        self.StatusNotifierItemRegistered(name + path)
        GLib.idle_add(self.show_item, name, path)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    # Qt reads the watcher's properties through its introspection data, which lists them.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s",
                         path_keyword="object_path", connection_keyword="connection")
    def Introspect(self, object_path, connection):
        data = super().Introspect(object_path, connection)
        properties = (
            '<property name="RegisteredStatusNotifierItems" type="as" access="read"/>'
            '<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>'
            '<property name="ProtocolVersion" type="i" access="read"/>')
        marker = f'<interface name="{WATCHER}">'
        return data.replace(marker, marker + properties)

    def show_item(self, name, path):
        """What a panel reads to draw the item: its tip among others."""
        try:
            properties = self.bus.get_object(name, path).GetAll(
                ITEM, dbus_interface=dbus.PROPERTIES_IFACE)
            tip = properties.get("ToolTip")
            title = str(tip[2]) if tip else ""
        except dbus.DBusException as failure:
            title = "unreadable: " + failure.get_dbus_name()
        with open(os.path.join(self.state, "items"), "a") as items:
            items.write(f"{name} {path} {title}\n")
        return False


def serve(state):
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, state)
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
    watcher.StatusNotifierHostRegistered()
    GLib.MainLoop().run()
    del name


def newest_item(state):
    with open(os.path.join(state, "items")) as items:
        name, path = items.read().splitlines()[-1].split(" ")[:2]
    bus = dbus.SessionBus()
    return bus, name, bus.get_object(name, path)


def activate(state):
    _, _, item = newest_item(state)
    item.Activate(dbus.Int32(0), dbus.Int32(0), dbus_interface=ITEM)


def click_menu(state, label):
    bus, name, item = newest_item(state)
    menu = bus.get_object(name, item.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE))
    menu.AboutToShow(dbus.Int32(0), dbus_interface=MENU)
    _, (_, _, children) = menu.GetLayout(dbus.Int32(0), dbus.Int32(-1), dbus.Array([], signature="s"),
                                         dbus_interface=MENU)
    for entry_id, properties, _ in children:
        if str(properties.get("label", "")).replace("&", "") == label:
            menu.Event(entry_id, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
                       dbus_interface=MENU)
            return
    sys.exit(f"no menu entry reads {label}")


if __name__ == "__main__":
    command, state = sys.argv[1], sys.argv[2]
    if command == "serve":
        serve(state)
    elif command == "activate":
        activate(state)
    elif command == "menu":
        click_menu(state, sys.argv[3])
    else:
        sys.exit(__doc__)
