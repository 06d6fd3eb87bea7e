// Serial port names on this system: the ports that exist, and the old "COMn" names of
// settings files (COM1 is /dev/ttyS0).
#pragma once

#include <QString>
#include <QStringList>

namespace trelon::wizard {

// Device paths of the serial ports present (ttys backed by a device), sorted.
QStringList SystemSerialPorts(const QString& sysClassTty = QStringLiteral("/sys/class/tty"));

// The device path a name stands for: "COMn" (any letter case) is /dev/ttyS(n-1); any other
// text is a path of its own and is only trimmed.
QString PortPath(const QString& name);

// A port as the settings file holds it under "COM": a path, a "COMn" name, or the index
// of older files (0 is "COM1"; a negative index is "COM1" too).
QString PortFromSetting(const QString& value);

}  // namespace trelon::wizard
