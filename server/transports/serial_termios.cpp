#include "transports/serial_termios.h"

namespace trelon {

namespace {

speed_t SpeedConstant(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return B0;
    }
}

tcflag_t SizeFlag(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

}  // namespace

void MakeRawTermios(termios& t) {
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~tcflag_t(CRTSCTS);
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK);
    // With the port non-blocking, a read of nothing then fails with EAGAIN, and a read that
    // returns 0 means the line was hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

bool SetTermiosSpeed(termios& t, int baud) {
    speed_t s = SpeedConstant(baud);
    if (s == B0) return false;
    ::cfsetispeed(&t, s);
    ::cfsetospeed(&t, s);
    return true;
}

void SetTermiosHardwareFlow(termios& t, bool on) {
    if (on)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~tcflag_t(CRTSCTS);
}

void SetTermiosFormat(termios& t, const TSerialFormat& format) {
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= SizeFlag(format.DataBits);
    switch (format.Parity) {
        case TSerialParity::None:
            break;
        case TSerialParity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case TSerialParity::Even:
            t.c_cflag |= PARENB;
            break;
        case TSerialParity::Mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case TSerialParity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (format.StopBits != TSerialStopBits::One) t.c_cflag |= CSTOPB;
}

}  // namespace trelon
