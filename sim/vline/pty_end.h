// One end of a virtual line: a pseudo-terminal whose device is reached through a stable
// link. The line works the master side; programs open the device (the slave side) as
// they would open a serial port. Whether a program has the device open is followed, so
// that bytes sent to a closed end are lost as on a real port, not kept for its next user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include <termios.h>

#include "unique_fd.h"

namespace trelon {

class TPtyEnd {
  public:
    explicit TPtyEnd(std::filesystem::path link) : link_(std::move(link)) {}
    ~TPtyEnd() { Unplug(); }
    TPtyEnd(const TPtyEnd&) = delete;
    TPtyEnd& operator=(const TPtyEnd&) = delete;

    // A new pseudo-terminal (raw, 9600 8N1) appears at the link. Throws on failure.
    void Plug();
    // The link goes and the pseudo-terminal is closed: a program that has it open gets a
    // hang-up (reads end, writes fail with EIO).
    void Unplug();

    bool Plugged() const { return master_.Valid(); }
    bool InUse() const { return inUse_; }
    const std::filesystem::path& Link() const { return link_; }
    const std::string& Device() const { return device_; }
    int MasterFd() const { return master_.Get(); }
    int WatchFd() const { return watch_.Get(); }

    // Call when the watch is readable: a program has opened the device.
    void NoteOpens();
    // Reads what the program wrote; 0 when nothing is waiting. Learns here that the last
    // program has closed the device.
    std::size_t Read(std::span<std::uint8_t> buffer);
    // Writes towards the program; returns how many bytes it took (0 when it is closed).
    std::size_t Write(std::span<const std::uint8_t> bytes);
    // The settings the program gave its port.
    std::optional<termios> Settings() const;

  private:
    std::filesystem::path link_;
    std::string device_;
    TFd master_;
    TFd watch_;
    bool inUse_ = false;
};

}  // namespace trelon
