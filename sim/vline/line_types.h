// The two ends of a virtual line, its two directions, and what the line reports about the
// frames it carries.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace trelon {

enum class TEnd { A, B };
// A direction is named by its sending end first.
enum class TDirection { AtoB, BtoA };

constexpr TEnd SenderOf(TDirection direction) {
    return direction == TDirection::AtoB ? TEnd::A : TEnd::B;
}
constexpr TEnd ReceiverOf(TDirection direction) {
    return direction == TDirection::AtoB ? TEnd::B : TEnd::A;
}
constexpr TDirection DirectionFrom(TEnd sender) {
    return sender == TEnd::A ? TDirection::AtoB : TDirection::BtoA;
}
constexpr TDirection DirectionTo(TEnd receiver) {
    return receiver == TEnd::A ? TDirection::BtoA : TDirection::AtoB;
}
constexpr std::size_t IndexOf(TEnd end) {
    return end == TEnd::A ? 0 : 1;
}
constexpr std::size_t IndexOf(TDirection direction) {
    return IndexOf(SenderOf(direction));
}

// A frame is a run of bytes from one sender without a silence of 3.5 characters in it.
struct TFrameRecord {
    TDirection Direction = TDirection::AtoB;
    std::uint64_t Index = 0;  // 1 for the first frame in its direction
    std::size_t Length = 0;   // bytes sent in the frame
    // The bytes as they went onto the line, an injected corruption included; a very long
    // frame keeps only its beginning here.
    std::vector<std::uint8_t> Bytes;
    bool Dropped = false;    // by an injected fault: none of it was delivered
    bool Corrupted = false;  // one of its bytes was changed by an injected fault
    std::chrono::milliseconds Delay{0};
    // Bytes that reached no program: line cut, or receiving end closed or unplugged.
    std::size_t LostBytes = 0;
};

struct TPathCounters {
    std::uint64_t SentBytes = 0;       // taken from the sending end
    std::uint64_t DeliveredBytes = 0;  // handed to the receiving end
    std::uint64_t LostBytes = 0;
    std::uint64_t Frames = 0;  // finished frames, dropped ones included
    std::uint64_t DroppedFrames = 0;
    std::uint64_t CorruptedFrames = 0;
    std::uint64_t DelayedFrames = 0;
};

}  // namespace trelon
