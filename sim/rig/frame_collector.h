// Cuts the bytes a device hears into request frames, free of I/O. A request whose
// function tells its length ends there when its CRC is right; one that does not tell it
// ends at the line's silence. Bytes that make no request (a broken frame, noise) are
// dropped at the next silence.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <vector>

#include "rtu_frame.h"

namespace trelon::rig {

using TWallTime = std::chrono::steady_clock::time_point;

class TFrameCollector {
  public:
    explicit TFrameCollector(std::chrono::microseconds silence) : silence_(silence) {}

    // Bytes heard at `now`; the frames they complete.
    std::vector<TBytes> Push(std::span<const std::uint8_t> bytes, TWallTime now);
    // Nothing more was heard until `now`; the frame the silence ends, if any.
    std::vector<TBytes> Idle(TWallTime now);
    // When Idle has something to decide; empty while nothing is pending.
    std::optional<TWallTime> Deadline() const;

    // The silence that ends a frame at a speed: 3.5 characters, but no less than `floor`.
    static std::chrono::microseconds SilenceAt(int baud, std::chrono::microseconds floor);

  private:
    static constexpr std::size_t kMaxFrame = 256;

    std::chrono::microseconds silence_;
    TBytes pending_;
    bool broken_ = false;  // what is pending can no longer become a request
    TWallTime last_{};
};

}  // namespace trelon::rig
