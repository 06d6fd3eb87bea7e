#!/usr/bin/python3
"""Drives the simulated rig through the Trelon server, as a verification does: finds the
devices at the addresses "1,3-5" by their name answers, then reads the flowmeter's flow.
Usage: rig_demo.py PORT [BAUD]  (needs python3-dbus and python3-gi from Debian)."""
import sys

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

SERVER = "TrelonSrv.Server"
IFACE = "TrelonSrv.IMBComMaster"
EVENTS = "TrelonSrv.IMBComMasterEvents"


def main():
    port, baud = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 9600
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    factory = dbus.Interface(bus.get_object(SERVER, "/TrelonSrv"), "TrelonSrv.Factory")
    path = factory.CreateObject("TrelonSrv.MBComMaster")
    obj = bus.get_object(SERVER, path)
    props = dbus.Interface(obj, "org.freedesktop.DBus.Properties")
    master = dbus.Interface(obj, IFACE)
    loop = GLib.MainLoop()
    answers = {}

    def on_exchange(qid, addr, fun, value, result):
        answers[int(qid)] = (int(addr), int(fun), value, int(result))
        loop.quit()

    bus.add_signal_receiver(on_exchange, signal_name="OnExchange", dbus_interface=EVENTS,
                            path=path)

    def wait(qid):
        GLib.timeout_add(10000, loop.quit)
        while qid not in answers:
            loop.run()
        return answers.pop(qid)

    props.Set(IFACE, "ComPort", port)
    props.Set(IFACE, "ComSpeed", dbus.Int32(baud))
    props.Set(IFACE, "Retries", dbus.Int32(1))
    props.Set(IFACE, "Connected", True)
    print("Port %s open: %s" % (port, bool(props.Get(IFACE, "Connected"))))
    for qid, address in enumerate([1, 3, 4, 5], start=1):
        props.Set(IFACE, "DeviceAddres", dbus.Int32(address))
        master.GetDeviceName(qid)
        _, _, (code, name), result = wait(qid)
        print("  address %d: %s" % (address, name if result == 0 else "no answer (%d)" % result))
    props.Set(IFACE, "DeviceAddres", dbus.Int32(1))
    single = dbus.Struct((dbus.UInt16(17), dbus.Byte(4)), signature="qv")
    master.ReadInputRegs(10, 0, 0xC1B8, single, 1)
    _, _, (code, flow), result = wait(10)
    print("Flow on channel 0 of the flowmeter: %s (result %d)" % (flow, result))
    dbus.Interface(obj, "TrelonSrv.Object").Release()
    return 0


if __name__ == "__main__":
    sys.exit(main())
