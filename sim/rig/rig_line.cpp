#include "rig_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "frame_collector.h"

namespace trelon::rig {

namespace {

using namespace std::chrono_literals;

speed_t SpeedCode(int baud) {
    static const std::pair<int, speed_t> kSpeeds[] = {
        {300, B300},   {600, B600},     {1200, B1200},   {2400, B2400},   {4800, B4800},
        {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
    };
    for (auto [value, code] : kSpeeds)
        if (value == baud) return code;
    throw std::invalid_argument("no serial speed " + std::to_string(baud));
}

TFd OpenPort(const std::filesystem::path& path, int baud) {
    TFd port(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!port.Valid()) throw std::system_error(errno, std::generic_category(), path.string());
    termios settings{};
    ::tcgetattr(port.Get(), &settings);
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&settings, SpeedCode(baud));
    if (::tcsetattr(port.Get(), TCSANOW, &settings) != 0)
        throw std::system_error(errno, std::generic_category(), "tcsetattr " + path.string());
    return port;
}

}  // namespace

TRigLine::TRigLine(TRigService& service, const TRigClock& clock, std::vector<TRigDevice*> devices,
                   const TLineOptions& options, int baud)
    : service_(service),
      clock_(clock),
      devices_(std::move(devices)),
      baud_(baud),
      line_(options),
      port_(OpenPort(line_.Path(TEnd::B), baud)),
      wake_(::eventfd(0, EFD_CLOEXEC)) {
    if (!wake_.Valid()) throw std::system_error(errno, std::generic_category(), "eventfd");
    thread_ = std::thread([this] { Loop(); });
}

TRigLine::~TRigLine() {
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wake_.Get(), &one, sizeof one);
    thread_.join();
}

bool TRigLine::Pause(int ms) {
    pollfd wake{wake_.Get(), POLLIN, 0};
    return ::poll(&wake, 1, ms) == 0;
}

void TRigLine::Answer(const TBytes& frame) {
    auto answer = service_.Serve(frame, clock_.Now(), devices_);
    if (!answer) return;
    if (answer->Delay.count() > 0 && !Pause(static_cast<int>(answer->Delay.count()))) return;
    std::size_t sent = 0;
    while (sent < answer->Bytes.size()) {
        ssize_t n = ::write(port_.Get(), answer->Bytes.data() + sent, answer->Bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd out{port_.Get(), POLLOUT, 0};
            ::poll(&out, 1, 10);
        } else if (n < 0 && errno != EINTR) {
            return;  // the line is gone; the answer with it
        }
    }
}

void TRigLine::Loop() {
    TFrameCollector collector(TFrameCollector::SilenceAt(baud_, 20ms));
    std::uint8_t buffer[512];
    for (;;) {
        int timeout = -1;
        if (auto deadline = collector.Deadline()) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<long long>(left.count(), 0));
        }
        pollfd fds[] = {{port_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
        auto now = std::chrono::steady_clock::now();
        std::vector<TBytes> frames;
        if (fds[0].revents & POLLIN) {
            ssize_t n = ::read(port_.Get(), buffer, sizeof buffer);
            if (n > 0) frames = collector.Push({buffer, static_cast<std::size_t>(n)}, now);
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            if (!Pause(100)) return;  // the far end is away; look again later
        }
        for (TBytes& frame : collector.Idle(now)) frames.push_back(std::move(frame));
        for (const TBytes& frame : frames) Answer(frame);
    }
}

}  // namespace trelon::rig
