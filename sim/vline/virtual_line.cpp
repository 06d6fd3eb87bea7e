#include "virtual_line.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include <sys/eventfd.h>
#include <sys/prctl.h>

#include <pthread.h>
#include <sched.h>

namespace trelon {

namespace {

std::filesystem::path LinkDirectory(const TLineOptions& options) {
    if (!options.Directory.empty()) return options.Directory;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (runtime && *runtime) ? runtime : "/tmp";
}

std::array<std::filesystem::path, 2> LinksOf(const TLineOptions& options) {
    auto directory = LinkDirectory(options);
    return {directory / options.NameA, directory / options.NameB};
}

TFd MakeWakeEvent() {
    TFd event(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!event.Valid()) throw std::system_error(errno, std::generic_category(), "eventfd");
    return event;
}

timespec Remaining(TLineTime deadline) {
    auto left = std::max(deadline - TLineClock::now(), TLineClock::duration::zero());
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    return {static_cast<time_t>(seconds.count()), static_cast<long>(nanos.count())};
}

// Pacing is only as good as the thread's wake-ups: ask for wake-ups on time (at high
// speeds a character lasts well under the default timer slack) and, where the system
// allows it, the lowest real-time priority, so that a loaded machine does not put false
// gaps into bursts. The thread only ever sleeps in ppoll(), so it cannot starve others.
void TuneLineThread() {
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    sched_param param{};
    param.sched_priority = ::sched_get_priority_min(SCHED_FIFO);
    ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param);
}

}  // namespace

TVirtualLine::TVirtualLine(TLineOptions options)
    : links_(LinksOf(options)),
      engine_(links_, options.Paced, options.Word),
      wake_(MakeWakeEvent()),
      thread_([this] { Loop(); }) {}

TVirtualLine::~TVirtualLine() {
    Run([this] { stop_ = true; });
    thread_.join();
}

void TVirtualLine::Run(std::function<void()> action) const {
    if (std::this_thread::get_id() == thread_.get_id()) return action();
    std::packaged_task<void()> task(std::move(action));
    auto done = task.get_future();
    {
        std::lock_guard lock(commandsLock_);
        commands_.push_back(std::move(task));
    }
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wake_.Get(), &one, sizeof one);
    done.get();
}

void TVirtualLine::Loop() {
    TuneLineThread();
    while (!stop_) {
        auto set = engine_.PollSet();
        std::array<pollfd, TLineEngine::kPollSlots + 1> all{};
        std::copy(set.begin(), set.end(), all.begin());
        all.back() = {wake_.Get(), POLLIN, 0};
        WaitForEvents(all);
        engine_.Service(std::span(all).first(TLineEngine::kPollSlots), TLineClock::now());
        RunCommands();
        Publish(engine_.Advance(TLineClock::now()));
    }
}

void TVirtualLine::WaitForEvents(std::span<pollfd> set) {
    auto deadline = engine_.NextDeadline();
    timespec timeout{};
    if (deadline) timeout = Remaining(*deadline);
    if (::ppoll(set.data(), set.size(), deadline ? &timeout : nullptr, nullptr) < 0) {
        for (pollfd& entry : set) entry.revents = 0;
    }
}

void TVirtualLine::RunCommands() {
    std::uint64_t count;
    [[maybe_unused]] auto read = ::read(wake_.Get(), &count, sizeof count);
    std::deque<std::packaged_task<void()>> commands;
    {
        std::lock_guard lock(commandsLock_);
        commands.swap(commands_);
    }
    for (auto& command : commands) command();
}

void TVirtualLine::Publish(std::vector<TFrameRecord> frames) {
    if (frames.empty()) return;
    for (const TFrameRecord& frame : frames) {
        try {
            if (hook_) hook_(frame);
        } catch (...) {
            // A failing observer must not stop the line.
        }
    }
    std::lock_guard lock(framesLock_);
    for (TFrameRecord& frame : frames) {
        auto& kept = frames_[IndexOf(frame.Direction)];
        if (kept.size() == kKeptFrames) kept.pop_front();
        kept.push_back(std::move(frame));
    }
    framesPassed_.notify_all();
}

std::string TVirtualLine::Device(TEnd end) const {
    std::string device;
    Run([&] { device = engine_.End(end).Device(); });
    return device;
}

void TVirtualLine::Paced(bool paced) {
    Run([&] { engine_.SetPaced(paced); });
}

void TVirtualLine::DropNextFrame(TDirection direction) {
    Run([&] { engine_.Path(direction).ArmDrop(); });
}

void TVirtualLine::CorruptNextFrame(TDirection direction, std::size_t offset, std::uint8_t mask) {
    Run([&] { engine_.Path(direction).ArmCorrupt(offset, mask); });
}

void TVirtualLine::DelayNextFrame(TDirection direction, std::chrono::milliseconds delay) {
    Run([&] { engine_.Path(direction).ArmDelay(delay); });
}

void TVirtualLine::Cut() {
    Cut(TDirection::AtoB);
    Cut(TDirection::BtoA);
}

void TVirtualLine::Cut(TDirection direction) {
    Run([&] { engine_.Path(direction).SetCut(true); });
}

void TVirtualLine::Restore() {
    Restore(TDirection::AtoB);
    Restore(TDirection::BtoA);
}

void TVirtualLine::Restore(TDirection direction) {
    Run([&] { engine_.Path(direction).SetCut(false); });
}

void TVirtualLine::Unplug(TEnd end) {
    Run([&] { engine_.End(end).Unplug(); });
}

void TVirtualLine::Replug(TEnd end) {
    Run([&] { engine_.End(end).Plug(); });
}

TPathCounters TVirtualLine::Counters(TDirection direction) const {
    TPathCounters counters;
    Run([&] { counters = engine_.Path(direction).Counters(); });
    return counters;
}

std::optional<TFrameRecord> TVirtualLine::WaitFrame(TDirection direction,
                                                    std::chrono::milliseconds timeout) {
    std::unique_lock lock(framesLock_);
    auto& kept = frames_[IndexOf(direction)];
    if (!framesPassed_.wait_for(lock, timeout, [&] { return !kept.empty(); })) return std::nullopt;
    TFrameRecord frame = std::move(kept.front());
    kept.pop_front();
    return frame;
}

void TVirtualLine::OnFrame(std::function<void(const TFrameRecord&)> hook) {
    Run([&] { hook_ = std::move(hook); });
}

}  // namespace trelon
