// A Modbus device on the far side of the fake line: it answers RTU request frames from a
// register map in which every register holds its own address. Pure: frame in, frame out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace trelon::test {

using TBytes = std::vector<uint8_t>;

// What a request frame asks for; QID is the exchange's, filled in by the line.
struct TSeen {
    int32_t QID = 0;
    uint8_t Address = 0;
    uint8_t Function = 0;
    uint16_t Start = 0;
};

TSeen ParseRequest(std::span<const uint8_t> frame);

// The answer frame: registers for functions 3 and 4, the echo for 6 and 16, exception 1 for
// any other function; exception exceptionCode instead when it is not 0. Nothing for a frame
// with a wrong CRC or for broadcast.
TBytes DeviceAnswer(std::span<const uint8_t> frame, uint8_t exceptionCode = 0);

}  // namespace trelon::test
