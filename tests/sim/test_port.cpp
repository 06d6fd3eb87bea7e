#include "test_port.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace trelon::test {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vline-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TTestPort::TTestPort(const std::filesystem::path& path, speed_t speed)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (!fd_.Valid()) throw std::system_error(errno, std::generic_category(), path.string());
    SetSpeed(speed);
}

void TTestPort::SetSpeed(speed_t speed) {
    termios settings{};
    ::tcgetattr(Fd(), &settings);
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&settings, speed);
    if (::tcsetattr(Fd(), TCSANOW, &settings) != 0)
        throw std::system_error(errno, std::generic_category(), "tcsetattr");
}

void TTestPort::Write(std::span<const std::uint8_t> bytes) {
    if (::write(Fd(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::system_error(errno, std::generic_category(), "write");
}

std::vector<TArrival> TTestPort::ReadTimed(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<TArrival> arrivals;
    auto deadline = TLineClock::now() + timeout;
    while (arrivals.size() < count && TLineClock::now() < deadline) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TLineClock::now());
        pollfd entry{Fd(), POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
        std::uint8_t buffer[256];
        ssize_t n = ::read(Fd(), buffer, std::min(sizeof buffer, count - arrivals.size()));
        if (n <= 0) break;
        auto now = TLineClock::now();
        for (ssize_t i = 0; i < n; ++i) arrivals.push_back({buffer[i], now});
    }
    return arrivals;
}

TBytes TTestPort::Read(std::size_t count, std::chrono::milliseconds timeout) {
    TBytes bytes;
    for (const TArrival& arrival : ReadTimed(count, timeout)) bytes.push_back(arrival.Value);
    return bytes;
}

}  // namespace trelon::test
