#include "transports/speed_codes.h"

#include <algorithm>
#include <array>

namespace trelon {

namespace {

constexpr std::array<int, kSpeedCodeCount> kBaudRates = {1200,  2400,  4800,  9600,
                                                         19200, 38400, 57600, 115200};
constexpr std::array<int, kSpeedCodeCount> kFrameGapTimes = {33, 17, 9, 5, 3, 2, 1, 1};

}  // namespace

int BaudRate(int code) {
    return IsValidSpeedCode(code) ? kBaudRates[size_t(code)] : 0;
}

int FrameGapTime(int code) {
    return IsValidSpeedCode(code) ? kFrameGapTimes[size_t(code)] : 0;
}

int GapUnit(int speedCode, int minGapUnit) {
    return std::max(FrameGapTime(speedCode), minGapUnit);
}

int ByteGap(int gapUnit, uint8_t multiplier) {
    return gapUnit * int(multiplier);
}

}  // namespace trelon
