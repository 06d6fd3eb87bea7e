// The settings of a serial port as a termios structure: raw mode, speed and flow control,
// character format. Pure functions on the structure; the port applies it.
#pragma once

#include <termios.h>

#include "transports/serial_format.h"

namespace trelon {

// Raw bytes in both directions: no line editing, echo, signals or translations; the
// receiver on and modem lines ignored (CLOCAL | CREAD); no flow control; a read returns
// what has arrived (VMIN 1, VTIME 0: on a non-blocking port it never waits).
void MakeRawTermios(termios& t);

// The speed constant of a baud rate; false (t unchanged) for a rate without one.
bool SetTermiosSpeed(termios& t, int baud);
// RTS/CTS handshake on or off.
void SetTermiosHardwareFlow(termios& t, bool on);
// Data bits, parity (mark and space through CMSPAR) and stop bits; one and a half stop bits
// cannot be expressed and is set as two (DecodeLineFormat refuses it before it gets here).
void SetTermiosFormat(termios& t, const TSerialFormat& format);

}  // namespace trelon
