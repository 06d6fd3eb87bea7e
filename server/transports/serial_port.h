// A serial port on a device node: opened raw and exclusively, set up, written, drained and
// read with deadlines. Every call returns at once or by its deadline; none blocks for good.
// One thread at a time (the owner serialises calls).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "transports/serial_format.h"

namespace trelon {

enum class TPortStatus {
    Ok,
    TimedOut,
    Lost,    // the device went away (hang-up, unplugged adapter): close and reopen
    Failed,  // the call was refused; the port is still there
};

class TSerialPort {
  public:
    using TClock = std::chrono::steady_clock;

    TSerialPort() = default;
    ~TSerialPort();
    TSerialPort(const TSerialPort&) = delete;
    TSerialPort& operator=(const TSerialPort&) = delete;

    // Opens the device for reading and writing without making it the controlling terminal,
    // takes an exclusive lock on it (so a port in use by another transport or program fails
    // here, for root too) and puts it into raw mode at 9600 8N1 with buffers purged. False,
    // with the reason in Error(), when any step fails; nothing stays open then.
    bool Open(const std::string& path);
    // False when the close itself reported an error (the port is closed anyway).
    bool Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // What the last failed call met.
    const std::string& Error() const { return error_; }

    TPortStatus SetSpeed(int baud, bool hardwareFlow);
    TPortStatus SetFormat(const TSerialFormat& format);
    // Asks the driver to pass received bytes on at once (USB adapters otherwise hold them
    // for their latency timer). False where the driver does not offer it.
    bool RequestLowLatency();
    // Raises or drops RTS. Failed where the device has no modem lines (a pseudo-terminal).
    TPortStatus SetRts(bool on);

    // Writes every byte, waiting for room until the deadline.
    TPortStatus WriteAll(std::span<const uint8_t> bytes, TClock::time_point deadline);
    // Waits until the written bytes have left the port (and, where the driver tells, the
    // transmitter is empty), sleeping by the time they still need on the line.
    TPortStatus Drain(TClock::time_point deadline);
    // Waits until bytes can be read.
    TPortStatus WaitInput(TClock::time_point deadline);
    // Reads what has arrived, up to the size of buffer; *got = 0 when nothing has.
    TPortStatus Read(std::span<uint8_t> buffer, size_t* got);
    int BytesWaiting();
    // Throws away received bytes not yet read and bytes written but not yet sent.
    bool Purge(bool input, bool output);

    // Time one character takes at the current speed and format.
    std::chrono::microseconds CharTime() const;

  private:
    bool Fail(const char* operation);
    TPortStatus Status(const char* operation);
    // Reads the settings, lets change edit them and applies them.
    template <class F>
    TPortStatus Update(const char* operation, F change);

    int fd_ = -1;
    std::string path_;
    std::string error_;
    int baud_ = 9600;
    TSerialFormat format_;
};

}  // namespace trelon
