// Speed codes of the serial transports: the baud rate of each code and the time of 3.5
// characters of 11 bits at that rate, and the silence that ends a received frame.
#pragma once

#include <cstdint>

namespace trelon {

inline constexpr int kSpeedCodeCount = 8;

constexpr bool IsValidSpeedCode(int code) {
    return code >= 0 && code < kSpeedCodeCount;
}

// Baud rate of a valid code (1200 for code 0 ... 115200 for code 7); 0 for any other.
int BaudRate(int code);
// 3.5 characters of 11 bits at the code's speed, in ms, rounded up; 0 for an invalid code.
int FrameGapTime(int code);

// The unit of the silence that ends a frame: FrameGapTime of the speed, or the minimum
// gap unit when that is larger.
int GapUnit(int speedCode, int minGapUnit);
// The silence that ends a frame: GapUnit x ByteTimeoutMultiplier, in ms.
int ByteGap(int gapUnit, uint8_t multiplier);

}  // namespace trelon
