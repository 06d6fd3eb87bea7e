#include "pty_end.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "device_link.h"

namespace trelon {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

TFd OpenMaster() {
    TFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master.Valid()) Fail("cannot open a pseudo-terminal");
    if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0)
        Fail("cannot unlock a pseudo-terminal");
    return master;
}

std::string DeviceOf(const TFd& master) {
    std::array<char, PATH_MAX> name{};
    if (::ptsname_r(master.Get(), name.data(), name.size()) != 0)
        Fail("cannot name a pseudo-terminal");
    return name.data();
}

// On Linux the master reads and sets the settings of the device side.
void SetRawDefaults(const TFd& master) {
    termios settings{};
    if (::tcgetattr(master.Get(), &settings) != 0) Fail("cannot read pseudo-terminal settings");
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&settings, B9600);
    if (::tcsetattr(master.Get(), TCSANOW, &settings) != 0)
        Fail("cannot set pseudo-terminal settings");
}

TFd WatchOpens(const std::string& device) {
    TFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!watch.Valid() || ::inotify_add_watch(watch.Get(), device.c_str(), IN_OPEN) < 0)
        Fail("cannot watch " + device);
    return watch;
}

}  // namespace

void TPtyEnd::Plug() {
    Unplug();
    TFd master = OpenMaster();
    std::string device = DeviceOf(master);
    SetRawDefaults(master);
    TFd watch = WatchOpens(device);
    PlaceDeviceLink(link_, device);
    master_ = std::move(master);
    watch_ = std::move(watch);
    device_ = std::move(device);
    inUse_ = false;
}

void TPtyEnd::Unplug() {
    if (!Plugged()) return;
    RemoveDeviceLink(link_, device_);
    watch_.Reset();
    master_.Reset();
    device_.clear();
    inUse_ = false;
}

void TPtyEnd::NoteOpens() {
    std::array<char, 4096> events;
    bool opened = false;
    while (::read(watch_.Get(), events.data(), events.size()) > 0) opened = true;
    if (!opened) return;
    // The program may have closed the device again already: a hang-up with nothing to read.
    pollfd entry{master_.Get(), POLLIN, 0};
    inUse_ = !(::poll(&entry, 1, 0) == 1 && entry.revents == POLLHUP);
}

std::size_t TPtyEnd::Read(std::span<std::uint8_t> buffer) {
    if (!Plugged() || buffer.empty()) return 0;
    ssize_t n = ::read(master_.Get(), buffer.data(), buffer.size());
    if (n > 0) return static_cast<std::size_t>(n);
    // EIO: the last program has closed the device (and nothing it wrote is left).
    if (n < 0 && errno != EAGAIN && errno != EINTR) inUse_ = false;
    return 0;
}

std::size_t TPtyEnd::Write(std::span<const std::uint8_t> bytes) {
    if (!Plugged() || !inUse_ || bytes.empty()) return 0;
    ssize_t n = ::write(master_.Get(), bytes.data(), bytes.size());
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::optional<termios> TPtyEnd::Settings() const {
    termios settings{};
    if (!Plugged() || ::tcgetattr(master_.Get(), &settings) != 0) return std::nullopt;
    return settings;
}

}  // namespace trelon
