#!/usr/bin/python3
"""Creates objects on the server and keeps them until killed (a client that dies)."""
import sys
import time

import dbus

bus = dbus.SessionBus()
factory = bus.get_object("TrelonSrv.Server", "/TrelonSrv")
for _ in range(int(sys.argv[2])):
    print(factory.CreateObject(sys.argv[1], dbus_interface="TrelonSrv.Factory"), flush=True)
print("ready", flush=True)
while True:
    time.sleep(60)
