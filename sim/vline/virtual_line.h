// A virtual serial line: two pseudo-terminals joined like a null-modem cable. Each end has
// a stable path (a symbolic link to its device) that programs open as a serial port.
// Every byte reaches the other end after its time on the line at the sender's settings;
// faults can be injected per direction while the line runs, from any thread.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "char_format.h"
#include "line_engine.h"
#include "line_types.h"
#include "unique_fd.h"

namespace trelon {

struct TLineOptions {
    // Where the links go; empty: $XDG_RUNTIME_DIR, or /tmp without it.
    std::filesystem::path Directory;
    std::string NameA = "lineA";
    std::string NameB = "lineB";
    bool Paced = true;
    // Data bits and parity both ends use (a pseudo-terminal keeps neither); empty: what
    // the settings report, 8 bits without parity.
    std::optional<TWordFormat> Word;
};

class TVirtualLine {
  public:
    // Throws when a pseudo-terminal or a link cannot be made.
    explicit TVirtualLine(TLineOptions options = {});
    ~TVirtualLine();
    TVirtualLine(const TVirtualLine&) = delete;
    TVirtualLine& operator=(const TVirtualLine&) = delete;

    const std::filesystem::path& Path(TEnd end) const { return links_[IndexOf(end)]; }
    // The pseudo-terminal now behind the end; empty while it is unplugged.
    std::string Device(TEnd end) const;

    void Paced(bool paced);
    void DropNextFrame(TDirection direction);
    // Changes the byte at `offset` (from 0) of the next frame by XOR with `mask`; a frame
    // too short for the offset goes through unchanged and uses the fault up.
    void CorruptNextFrame(TDirection direction, std::size_t offset, std::uint8_t mask = 0xFF);
    void DelayNextFrame(TDirection direction, std::chrono::milliseconds delay);
    // A cut line loses every byte, also those already on their way; both ways or one.
    void Cut();
    void Cut(TDirection direction);
    void Restore();
    void Restore(TDirection direction);
    // The device disappears: the link goes and the pseudo-terminal is closed.
    void Unplug(TEnd end);
    // A new device appears at the same path (an end that is plugged is unplugged first).
    void Replug(TEnd end);

    TPathCounters Counters(TDirection direction) const;
    // The oldest frame that has passed in the direction and not been taken yet; waits up to
    // `timeout` for one. Up to kKeptFrames are kept per direction, the oldest give way.
    std::optional<TFrameRecord> WaitFrame(TDirection direction, std::chrono::milliseconds timeout);
    static constexpr std::size_t kKeptFrames = 1024;
    // Called on the line's thread for each frame that has passed (it must not block).
    void OnFrame(std::function<void(const TFrameRecord&)> hook);

  private:
    // Runs on the line's thread and waits for it; exceptions come back to the caller.
    void Run(std::function<void()> action) const;
    void Loop();
    void WaitForEvents(std::span<pollfd> set);
    void RunCommands();
    void Publish(std::vector<TFrameRecord> frames);

    std::array<std::filesystem::path, 2> links_;
    TLineEngine engine_;  // the line's thread only
    TFd wake_;
    mutable std::mutex commandsLock_;
    mutable std::deque<std::packaged_task<void()>> commands_;
    bool stop_ = false;                              // the line's thread only
    std::function<void(const TFrameRecord&)> hook_;  // the line's thread only
    mutable std::mutex framesLock_;
    std::condition_variable framesPassed_;
    std::array<std::deque<TFrameRecord>, 2> frames_;
    std::thread thread_;  // last: starts when everything else is ready
};

}  // namespace trelon
