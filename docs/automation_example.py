#!/usr/bin/python3
"""Talks to the Trelon server on the session bus: echoes values, creates an object of a
class, reads its interfaces and releases it. Needs python3-dbus (Debian package)."""
import argparse
import sys

import dbus

SERVER = "TrelonSrv.Server"


def value(code, payload):
    """An automation value on the wire: (type code, payload in a variant)."""
    return dbus.Struct((dbus.UInt16(code), payload), signature="qv")


def array(elem_code, bounds, elements):
    """An array value: bounds as [(low, count), ...], elements last index fastest."""
    payload = dbus.Struct(
        (dbus.Array([dbus.Struct(b, signature="ii") for b in bounds], signature="(ii)"),
         dbus.Array(elements, signature="v")),
        signature="a(ii)av")
    return value(0x2000 | elem_code, payload)


def main():
    args = argparse.ArgumentParser(description=__doc__)
    args.add_argument("--class", dest="prog_id", default="TrelonSrv.MBComMaster",
                      help="program identifier of the class to create")
    args.add_argument("--ping", action="store_true", help="only check that the server answers")
    opts = args.parse_args()

    bus = dbus.SessionBus()
    factory = dbus.Interface(bus.get_object(SERVER, "/TrelonSrv"), "TrelonSrv.Factory")
    code, payload = factory.Echo(value(8, dbus.String("Привет")))
    if opts.ping:
        return 0
    print("Echo of a string:", int(code), str(payload))
    code, payload = factory.Echo(array(3, [(1, 3)], [dbus.Int32(10), dbus.Int32(-20),
                                                      dbus.Int32(30)]))
    bounds, elements = payload
    print("Echo of an array: code 0x%04X bounds %s elements %s" %
          (code, [tuple(int(x) for x in b) for b in bounds], [int(e) for e in elements]))
    props = dbus.Interface(bus.get_object(SERVER, "/TrelonSrv"),
                           "org.freedesktop.DBus.Properties")
    print("Objects on the server:", int(props.Get("TrelonSrv.Factory", "ObjectCount")))

    try:
        path = factory.CreateObject(opts.prog_id)
    except dbus.DBusException as e:
        print("CreateObject(%s) failed: %s: %s" %
              (opts.prog_id, e.get_dbus_name(), e.get_dbus_message()))
        return 0
    print("Created", path)
    obj = bus.get_object(SERVER, path)
    xml = dbus.Interface(obj, "org.freedesktop.DBus.Introspectable").Introspect()
    names = [line.split('"')[1] for line in xml.splitlines() if "<interface name=" in line]
    print("Its interfaces:", ", ".join(names))
    dbus.Interface(obj, "TrelonSrv.Object").Release()
    print("Released; objects on the server:",
          int(props.Get("TrelonSrv.Factory", "ObjectCount")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
