#include "line_engine.h"

#include <algorithm>
#include <cstdint>

#include "char_wire.h"

namespace trelon {

namespace {

constexpr TEnd kEnds[] = {TEnd::A, TEnd::B};

// What the receiving program reads of the characters, and for each character how many
// bytes had been read once it was taken.
struct TReceived {
    std::vector<std::uint8_t> Bytes;
    std::vector<std::size_t> ReadUpTo;
};

TReceived Receive(std::span<const TLineByte> line, const TCharFormat& expected,
                  TErrorHandling handling) {
    TReceived received;
    for (const TLineByte& byte : line) {
        if (auto sampled = SampleChar(byte.Format, expected, byte.Value))
            if (auto value = PassedOn(*sampled, handling)) received.Bytes.push_back(*value);
        received.ReadUpTo.push_back(received.Bytes.size());
    }
    return received;
}

}  // namespace

TLineEngine::TLineEngine(const std::array<std::filesystem::path, 2>& links, bool paced,
                         std::optional<TWordFormat> word)
    : ends_{TPtyEnd(links[0]), TPtyEnd(links[1])}, word_(word) {
    for (TEnd end : kEnds) End(end).Plug();
    SetPaced(paced);
}

void TLineEngine::SetPaced(bool paced) {
    for (TLinePath& path : paths_) path.SetPaced(paced);
}

std::array<pollfd, TLineEngine::kPollSlots> TLineEngine::PollSet() {
    std::array<pollfd, kPollSlots> set{};
    for (TEnd end : kEnds) {
        set[2 * IndexOf(end)] = {End(end).WatchFd(), POLLIN, 0};
        set[2 * IndexOf(end) + 1] = MasterPoll(end);
    }
    return set;
}

pollfd TLineEngine::MasterPoll(TEnd end) const {
    const TPtyEnd& pty = End(end);
    short events = 0;
    if (Path(DirectionFrom(end)).Room() > 0) events |= POLLIN;
    if (Path(DirectionTo(end)).Held()) events |= POLLOUT;
    return {pty.InUse() && events ? pty.MasterFd() : -1, events, 0};
}

void TLineEngine::Service(std::span<const pollfd> polled, TLineTime now) {
    for (TEnd end : kEnds) {
        if (polled[2 * IndexOf(end)].revents) End(end).NoteOpens();
        short revents = polled[2 * IndexOf(end) + 1].revents;
        if (revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(end, now);
        if (revents & (POLLOUT | POLLHUP | POLLERR)) Path(DirectionTo(end)).Release();
    }
}

void TLineEngine::ReadFrom(TEnd end, TLineTime now) {
    TLinePath& path = Path(DirectionFrom(end));
    auto buffer = std::span(readBuffer_).first(path.Room());
    std::size_t n = End(end).Read(buffer);
    auto settings = End(end).Settings();
    if (n == 0 || !settings) return;
    path.Accept(now, buffer.first(n), FormatOf(*settings));
}

std::vector<TFrameRecord> TLineEngine::Advance(TLineTime now) {
    std::vector<TFrameRecord> passed;
    for (TEnd receiver : kEnds) {
        TLinePath& path = Path(DirectionTo(receiver));
        // Bytes held for a full input are lost once nobody has the end open.
        if (!End(receiver).InUse()) path.Release();
        path.Deliver(now,
                     [&](std::span<const TLineByte> bytes) { return Receive(receiver, bytes); });
        for (TFrameRecord& record : path.TakeFinished(now)) passed.push_back(std::move(record));
    }
    return passed;
}

TTaken TLineEngine::Receive(TEnd end, std::span<const TLineByte> bytes) {
    TPtyEnd& pty = End(end);
    auto settings = pty.Settings();
    if (!pty.InUse() || !settings) return {};
    TReceived received = trelon::Receive(bytes, FormatOf(*settings), ErrorHandlingOf(*settings));
    std::size_t written = pty.Write(received.Bytes);
    auto& upTo = received.ReadUpTo;
    std::size_t taken = std::upper_bound(upTo.begin(), upTo.end(), written) - upTo.begin();
    return {taken, written < received.Bytes.size()};
}

TCharFormat TLineEngine::FormatOf(const termios& settings) const {
    return CharFormatOf(settings, word_);
}

std::optional<TLineTime> TLineEngine::NextDeadline() const {
    std::optional<TLineTime> earliest;
    for (const TLinePath& path : paths_) {
        auto deadline = path.NextDeadline();
        if (deadline && (!earliest || *deadline < *earliest)) earliest = deadline;
    }
    return earliest;
}

}  // namespace trelon
