// The working part of a virtual line, run by one thread: the two ends, the two directions,
// and what to watch for. TVirtualLine drives it from its own thread.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include <poll.h>

#include "char_format.h"
#include "line_path.h"
#include "line_types.h"
#include "pty_end.h"

namespace trelon {

class TLineEngine {
  public:
    // Both ends are plugged at once; throws when they cannot be.
    TLineEngine(const std::array<std::filesystem::path, 2>& links, bool paced,
                std::optional<TWordFormat> word);

    TPtyEnd& End(TEnd end) { return ends_[IndexOf(end)]; }
    const TPtyEnd& End(TEnd end) const { return ends_[IndexOf(end)]; }
    TLinePath& Path(TDirection direction) { return paths_[IndexOf(direction)]; }
    const TLinePath& Path(TDirection direction) const { return paths_[IndexOf(direction)]; }
    void SetPaced(bool paced);

    // Per end: its watch, then its master when a program has the device open, for reading
    // when the line has room for more and for writing when the end's input was full (a
    // master whose device was closed keeps reporting a hang-up).
    static constexpr std::size_t kPollSlots = 4;
    std::array<pollfd, kPollSlots> PollSet();
    // Reads what the ends have for the line, after a poll of PollSet().
    void Service(std::span<const pollfd> polled, TLineTime now);
    // Hands on the bytes whose time is over; returns the frames that have passed.
    std::vector<TFrameRecord> Advance(TLineTime now);
    std::optional<TLineTime> NextDeadline() const;

  private:
    void ReadFrom(TEnd end, TLineTime now);
    TTaken Receive(TEnd end, std::span<const TLineByte> bytes);
    pollfd MasterPoll(TEnd end) const;
    TCharFormat FormatOf(const termios& settings) const;

    std::array<TPtyEnd, 2> ends_;
    std::array<TLinePath, 2> paths_{TLinePath(TDirection::AtoB), TLinePath(TDirection::BtoA)};
    std::optional<TWordFormat> word_;
    std::array<std::uint8_t, TLinePath::kCapacity> readBuffer_;
};

}  // namespace trelon
