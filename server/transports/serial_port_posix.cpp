// TSerialPort on POSIX termios: the device node opened O_NOCTTY | O_NONBLOCK and locked with
// flock() and TIOCEXCL, poll() for input and output room, TIOCOUTQ and TIOCSERGETLSR to see
// the transmitter empty, TIOCMBIS/TIOCMBIC for RTS.
#include "transports/serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "transports/serial_termios.h"

namespace trelon {

namespace {

using namespace std::chrono_literals;

// The shortest sleep while waiting for the transmitter.
constexpr auto kMinDrainStep = 200us;

bool IsLossErrno(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE;
}

// Waits for events on fd until the deadline; revents, or 0 when the time ran out, or -1
// with errno set.
int PollUntil(int fd, short events, TSerialPort::TClock::time_point deadline) {
    for (;;) {
        auto left =
            std::max(deadline - TSerialPort::TClock::now(), TSerialPort::TClock::duration(0));
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
        pollfd entry{fd, events, 0};
        int n = ::ppoll(&entry, 1, &ts, nullptr);
        if (n > 0) return entry.revents;
        if (n == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

}  // namespace

TSerialPort::~TSerialPort() {
    Close();
}

bool TSerialPort::Fail(const char* operation) {
    error_ = std::string(operation) + ": " + std::strerror(errno);
    return false;
}

TPortStatus TSerialPort::Status(const char* operation) {
    int error = errno;
    Fail(operation);
    return IsLossErrno(error) ? TPortStatus::Lost : TPortStatus::Failed;
}

bool TSerialPort::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail("open");
    auto refuse = [&](const char* operation) {
        int error = errno;
        ::close(fd);
        errno = error;
        return Fail(operation);
    };
    // flock holds against every other opener, root included; TIOCEXCL keeps out programs
    // that do not lock (it does not hold against root, and a pseudo-terminal may refuse it).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            ::close(fd);
            error_ = "the port is in use (locked by another owner)";
            return false;
        }
        return refuse("flock");
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return refuse("tcgetattr");
    ::ioctl(fd, TIOCEXCL);
    MakeRawTermios(t);
    SetTermiosSpeed(t, 9600);
    SetTermiosFormat(t, TSerialFormat{});
    if (::tcsetattr(fd, TCSANOW, &t) != 0) return refuse("tcsetattr");
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    path_ = path;
    baud_ = 9600;
    format_ = TSerialFormat{};
    error_.clear();
    return true;
}

bool TSerialPort::Close() {
    if (fd_ < 0) return true;
    int fd = fd_;
    fd_ = -1;
    // The lock goes with the descriptor.
    if (::close(fd) != 0 && errno != EINTR) return Fail("close");
    return true;
}

template <class F>
TPortStatus TSerialPort::Update(const char* operation, F change) {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return Status(operation);
    if (!change(t)) {
        error_ = std::string(operation) + ": not available";
        return TPortStatus::Failed;
    }
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return Status(operation);
    return TPortStatus::Ok;
}

TPortStatus TSerialPort::SetSpeed(int baud, bool hardwareFlow) {
    TPortStatus status = Update("set speed", [&](termios& t) {
        SetTermiosHardwareFlow(t, hardwareFlow);
        return SetTermiosSpeed(t, baud);
    });
    if (status == TPortStatus::Ok) baud_ = baud;
    return status;
}

TPortStatus TSerialPort::SetFormat(const TSerialFormat& format) {
    TPortStatus status = Update("set character format", [&](termios& t) {
        SetTermiosFormat(t, format);
        return true;
    });
    if (status == TPortStatus::Ok) format_ = format;
    return status;
}

bool TSerialPort::RequestLowLatency() {
    serial_struct info{};
    if (::ioctl(fd_, TIOCGSERIAL, &info) != 0) return Fail("TIOCGSERIAL");
    if (info.flags & ASYNC_LOW_LATENCY) return true;
    info.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd_, TIOCSSERIAL, &info) != 0) return Fail("TIOCSSERIAL");
    return true;
}

TPortStatus TSerialPort::SetRts(bool on) {
    int bits = TIOCM_RTS;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) != 0)
        return Status(on ? "TIOCMBIS" : "TIOCMBIC");
    return TPortStatus::Ok;
}

TPortStatus TSerialPort::WriteAll(std::span<const uint8_t> bytes, TClock::time_point deadline) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes = bytes.subspan(size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return Status("write");
        int events = PollUntil(fd_, POLLOUT, deadline);
        if (events < 0) return Status("poll");
        if (events == 0) {
            error_ = "write: the port took no more bytes in time";
            return TPortStatus::TimedOut;
        }
        if (events & (POLLHUP | POLLERR | POLLNVAL)) {
            error_ = "write: hang-up";
            return TPortStatus::Lost;
        }
    }
    return TPortStatus::Ok;
}

TPortStatus TSerialPort::Drain(TClock::time_point deadline) {
    // The output queue is watched rather than waited for with tcdrain() alone, which cannot
    // be given a deadline: with the handshake held off it would never return.
    for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) break;  // not offered: tcdrain() below
        if (queued <= 0) break;
        auto now = TClock::now();
        if (now >= deadline) {
            error_ = "drain: the bytes did not leave in time";
            return TPortStatus::TimedOut;
        }
        auto step = std::max<TClock::duration>(CharTime() * queued, kMinDrainStep);
        std::this_thread::sleep_until(std::min(now + step, deadline));
    }
    if (::tcdrain(fd_) != 0 && errno != EINTR) return Status("tcdrain");
    // The last character may still be in the shift register: give it a few character times.
    auto emptyBy = std::min(deadline, TClock::now() + CharTime() * 4 + 1ms);
    for (;;) {
        int lsr = 0;
        if (::ioctl(fd_, TIOCSERGETLSR, &lsr) != 0 || (lsr & TIOCSER_TEMT)) break;
        auto now = TClock::now();
        if (now >= emptyBy) break;
        std::this_thread::sleep_until(
            std::min(now + std::max<TClock::duration>(CharTime() / 4, kMinDrainStep), emptyBy));
    }
    return TPortStatus::Ok;
}

TPortStatus TSerialPort::WaitInput(TClock::time_point deadline) {
    int events = PollUntil(fd_, POLLIN, deadline);
    if (events < 0) return Status("poll");
    if (events == 0) return TPortStatus::TimedOut;
    // Bytes that came before a hang-up are read first; the read then reports the loss.
    if (events & POLLIN) return TPortStatus::Ok;
    error_ = "poll: hang-up";
    return TPortStatus::Lost;
}

TPortStatus TSerialPort::Read(std::span<uint8_t> buffer, size_t* got) {
    *got = 0;
    if (buffer.empty()) return TPortStatus::Ok;
    for (;;) {
        ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n > 0) {
            *got = size_t(n);
            return TPortStatus::Ok;
        }
        if (n == 0) {
            error_ = "read: hang-up";
            return TPortStatus::Lost;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return TPortStatus::Ok;
        return Status("read");
    }
}

int TSerialPort::BytesWaiting() {
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) return 0;
    return n;
}

bool TSerialPort::Purge(bool input, bool output) {
    if (!input && !output) return true;
    int what = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (::tcflush(fd_, what) != 0) return Fail("tcflush");
    return true;
}

std::chrono::microseconds TSerialPort::CharTime() const {
    return std::chrono::microseconds(int64_t(CharBits(format_)) * 1'000'000 / std::max(baud_, 1));
}

}  // namespace trelon
