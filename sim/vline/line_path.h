// One direction of a virtual line, free of I/O: bytes taken from the sender at a given time
// are given their time on the line (back to back, at the sender's speed), grouped into
// frames by the silences between them, changed by the injected faults, and handed to the
// receiver when their time is over.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "char_format.h"
#include "line_types.h"

namespace trelon {

using TLineClock = std::chrono::steady_clock;
using TLineTime = TLineClock::time_point;

// A byte whose time on the line is over, with the format it was sent in.
struct TLineByte {
    std::uint8_t Value = 0;
    TCharFormat Format;
};

// What the receiving end did with the bytes handed to it. The bytes it did not take are
// lost, unless its input is full: then they wait on the line, as with flow control.
struct TTaken {
    std::size_t Count = 0;
    bool Full = false;
};
using TLineSink = std::function<TTaken(std::span<const TLineByte>)>;

class TLinePath {
  public:
    // Bytes held on the line at most; a sender with more waits, as on a full UART.
    static constexpr std::size_t kCapacity = 4096;

    explicit TLinePath(TDirection direction) : direction_(direction) {}

    // Unpaced: bytes are handed on at once (an injected delay still applies).
    void SetPaced(bool paced) { paced_ = paced; }
    // While cut, bytes whose time on the line ends are lost.
    void SetCut(bool cut) { cut_ = cut; }
    bool IsCut() const { return cut_; }

    // Faults for the next frame that starts.
    void ArmDrop() { armed_.Drop = true; }
    void ArmCorrupt(std::size_t offset, std::uint8_t mask);
    void ArmDelay(std::chrono::milliseconds delay) { armed_.Delay = delay; }

    std::size_t Room() const { return kCapacity - pending_.size(); }
    void Accept(TLineTime now, std::span<const std::uint8_t> bytes, const TCharFormat& format);
    void Deliver(TLineTime now, const TLineSink& sink);
    // The receiver's input was full: nothing is handed on until it has room again.
    bool Held() const { return held_; }
    void Release() { held_ = false; }
    std::vector<TFrameRecord> TakeFinished(TLineTime now);
    // When Deliver or TakeFinished next has something to do.
    std::optional<TLineTime> NextDeadline() const;

    const TPathCounters& Counters() const { return counters_; }

  private:
    static constexpr std::size_t kRecordedBytes = 4096;

    struct TFaults {
        bool Drop = false;
        std::optional<std::size_t> CorruptAt;
        std::uint8_t CorruptMask = 0;
        std::chrono::milliseconds Delay{0};
    };
    struct TFrame {
        TFrameRecord Record;
        TFaults Faults;
        std::size_t Unsent = 0;
    };
    struct TPending {
        TLineByte Byte;
        TLineTime Due;
        std::uint64_t Frame = 0;
    };

    void BeginFrame();
    std::uint8_t Record(TFrame& frame, std::uint8_t value);
    TLineTime DueTime(const TFrame& frame, TLineTime now, TLineTime start,
                      std::chrono::nanoseconds charTime) const;
    TFrame& FrameOf(std::uint64_t index);
    void Lose(TFrame& frame);
    void PutBack(std::span<const TPending> bytes);
    void Count(const TFrameRecord& record);

    TDirection direction_;
    bool paced_ = true;
    bool cut_ = false;
    bool held_ = false;
    TFaults armed_;
    std::deque<TPending> pending_;
    std::deque<TFrame> frames_;  // unfinished frames, oldest first
    bool frameOpen_ = false;     // the last frame may still grow
    TLineTime senderFree_{};     // when the sender's last character has left it
    TLineTime closeAt_{};        // the open frame ends unless a byte starts before this
    TLineTime lineFree_{};       // when the last character reaches the receiver
    std::uint64_t frameCount_ = 0;
    TPathCounters counters_;
};

}  // namespace trelon
