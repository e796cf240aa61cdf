#!/usr/bin/python3
"""Stand-in for the network daemon on a private bus: only the objects and calls the provider uses.

usage: fake_nm.py ADDRESS SCENARIO.json LOG

Scenario: {"profiles": [...], "active": [...], "odd": "..."}
  profile: {"id", "type", "metered", "bluetooth"} or {"odd": "signature" | "id-int" | "error"}
  active:  {"profile": INDEX, "state", "device_state", "iface", "odd": "state-string" | "dangling"}
  odd:     "list-error" | "active-string" (the whole daemon misbehaves)
Control (org.chronolin.FakeNm at /org/chronolin/FakeNm): SetState(o, u, u), Drop(o).
Activate/Deactivate calls are appended to LOG. Prints "ready PID" once the name is owned.
"""
import json
import os
import sys

import dbus
import dbus.bus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.NetworkManager"
ROOT = "/org/freedesktop/NetworkManager"
ACTIVE_IFACE = NAME + ".Connection.Active"
DEVICE_IFACE = NAME + ".Device"
PROPS = "org.freedesktop.DBus.Properties"


class Failure(dbus.DBusException):
    def __init__(self, name, text="refused"):
        super().__init__(text)
        self._dbus_error_name = name


class WithProps(dbus.service.Object):
    def props(self, iface):
        return {}

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, iface, name):
        props = self.props(iface)
        if name not in props:
            raise Failure("org.freedesktop.DBus.Error.InvalidArgs")
        return props[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, iface):
        return self.props(iface)


class Profile(dbus.service.Object):
    def __init__(self, bus, path, desc):
        super().__init__(bus, path)
        self.desc = desc

    @dbus.service.method(NAME + ".Settings.Connection", in_signature="", out_signature=None)
    def GetSettings(self):
        odd = self.desc.get("odd")
        if odd == "error":
            raise Failure(NAME + ".Settings.PermissionDenied")
        if odd == "signature":
            return dbus.Array(["connection"], signature="s")
        connection = {"id": dbus.String(self.desc.get("id", "")),
                      "type": dbus.String(self.desc.get("type", "")),
                      "uuid": dbus.String("0000")}
        if odd == "id-int":
            connection["id"] = dbus.Int32(7)
        if "metered" in self.desc:
            connection["metered"] = dbus.Int32(self.desc["metered"])
        settings = {"connection": dbus.Dictionary(connection, signature="sv"),
                    "ipv4": dbus.Dictionary({"addresses": dbus.Array([], signature="au")},
                                            signature="sv")}
        if "bluetooth" in self.desc:
            settings["bluetooth"] = dbus.Dictionary({"type": self.desc["bluetooth"]},
                                                    signature="sv")
        return dbus.Dictionary(settings, signature="sa{sv}")


class Device(WithProps):
    def __init__(self, bus, path, state, iface):
        super().__init__(bus, path)
        self.state, self.iface = state, iface

    def props(self, iface):
        if iface != DEVICE_IFACE:
            return {}
        return {"State": dbus.UInt32(self.state), "Interface": dbus.String(self.iface)}


class Active(WithProps):
    def __init__(self, bus, path, profile, state, device, odd=None):
        super().__init__(bus, path)
        self.profile, self.state, self.device, self.odd = profile, state, device, odd

    def props(self, iface):
        if iface != ACTIVE_IFACE:
            return {}
        state = dbus.String("up") if self.odd == "state-string" else dbus.UInt32(self.state)
        device = "/org/freedesktop/NetworkManager/Devices/999" if self.odd == "dangling" \
            else self.device.__dbus_object_path__
        return {"State": state, "Connection": dbus.ObjectPath(self.profile),
                "Devices": dbus.Array([dbus.ObjectPath(device)], signature="o")}


class Daemon(WithProps):
    def __init__(self, bus, scenario, log):
        super().__init__(bus, ROOT)
        self.bus, self.log, self.odd = bus, log, scenario.get("odd")
        self.profiles = []
        for i, desc in enumerate(scenario.get("profiles", [])):
            path = "%s/Settings/%d" % (ROOT, i + 1)
            self.profiles.append(Profile(bus, path, desc))
        self.active = []
        self.serial = 0
        for desc in scenario.get("active", []):
            self.start(self.profiles[desc["profile"]].__dbus_object_path__, desc.get("state", 2),
                       desc.get("device_state", 100), desc.get("iface", "ttyUSB0"),
                       desc.get("odd"))
        Settings(bus, self)
        Control(bus, self)

    def start(self, profile, state, device_state, iface, odd=None):
        self.serial += 1
        device = Device(self.bus, "%s/Devices/%d" % (ROOT, self.serial), device_state, iface)
        active = Active(self.bus, "%s/ActiveConnection/%d" % (ROOT, self.serial), profile,
                        state, device, odd)
        self.active.append(active)
        return active

    def find(self, path):
        for active in self.active:
            if active.__dbus_object_path__ == path:
                return active
        raise Failure(NAME + ".ConnectionNotActive")

    def remove(self, active):
        self.active.remove(active)
        active.device.remove_from_connection()
        active.remove_from_connection()

    def props(self, iface):
        if iface != NAME:
            return {}
        if self.odd == "active-string":
            return {"ActiveConnections": dbus.String("none")}
        return {"ActiveConnections": dbus.Array(
            [dbus.ObjectPath(a.__dbus_object_path__) for a in self.active], signature="o")}

    def note(self, line):
        with open(self.log, "a") as f:
            f.write(line + "\n")

    @dbus.service.method(NAME, in_signature="ooo", out_signature="o")
    def ActivateConnection(self, profile, device, specific):
        self.note("activate %s %s %s" % (profile, device, specific))
        desc = next((p.desc for p in self.profiles if p.__dbus_object_path__ == profile), None)
        if desc is None:
            raise Failure(NAME + ".UnknownConnection")
        if desc.get("refuse"):
            raise Failure(NAME + ".PermissionDenied", "not\nallowed")
        return self.start(profile, 1, 40, "ttyUSB0").__dbus_object_path__

    @dbus.service.method(NAME, in_signature="o", out_signature="")
    def DeactivateConnection(self, path):
        self.note("deactivate %s" % path)
        self.remove(self.find(path))


class Settings(dbus.service.Object):
    def __init__(self, bus, daemon):
        super().__init__(bus, ROOT + "/Settings")
        self.daemon = daemon

    @dbus.service.method(NAME + ".Settings", in_signature="", out_signature="ao")
    def ListConnections(self):
        if self.daemon.odd == "list-error":
            raise Failure("org.freedesktop.DBus.Error.AccessDenied")
        return [p.__dbus_object_path__ for p in self.daemon.profiles]


class Control(dbus.service.Object):
    def __init__(self, bus, daemon):
        super().__init__(bus, "/org/chronolin/FakeNm")
        self.daemon = daemon

    @dbus.service.method("org.chronolin.FakeNm", in_signature="ouu", out_signature="")
    def SetState(self, path, state, device_state):
        active = self.daemon.find(path)
        active.state, active.device.state = state, device_state

    @dbus.service.method("org.chronolin.FakeNm", in_signature="o", out_signature="")
    def Drop(self, path):
        self.daemon.remove(self.daemon.find(path))


def main():
    address, scenario_path, log = sys.argv[1:4]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)
    with open(scenario_path) as f:
        scenario = json.load(f)
    Daemon(bus, scenario, log)
    bus.request_name(NAME, dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
    print("ready", os.getpid(), flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
