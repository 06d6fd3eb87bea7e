#!/usr/bin/python3
"""A client that opens a port through the server, queues a periodic read and waits to be
killed (a client that dies with requests queued)."""
import sys
import time

import dbus

bus = dbus.SessionBus()
factory = bus.get_object("TrelonSrv.Server", "/TrelonSrv")
path = factory.CreateObject("TrelonSrv.MBComMaster", dbus_interface="TrelonSrv.Factory")
obj = bus.get_object("TrelonSrv.Server", path)
props = dbus.Interface(obj, "org.freedesktop.DBus.Properties")
props.Set("TrelonSrv.IMBComMaster", "ComPort", dbus.String(sys.argv[1]))
props.Set("TrelonSrv.IMBComMaster", "Connected", dbus.Boolean(True))
if not props.Get("TrelonSrv.IMBComMaster", "Connected"):
    sys.exit("not connected")
data_type = dbus.Struct((dbus.UInt16(17), dbus.Byte(18)), signature="qv")
dbus.Interface(obj, "TrelonSrv.IMBComMaster").ReadHoldRegs(1, 200, 0, data_type, 1)
print("ready", flush=True)
while True:
    time.sleep(60)
