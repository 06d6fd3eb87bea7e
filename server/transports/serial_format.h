// The character format of a serial line (data bits, parity, stop bits) and its packed form
// in a transport task's LineFormat: bits 0-1 data bits code (0 five ... 3 eight), bits 2-4
// parity code (0 none, 1 odd, 2 even, 3 mark, 4 space), bits 5-6 stop bits code (0 one,
// 1 one and a half, 2 two).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trelon {

enum class TSerialParity : uint8_t { None, Odd, Even, Mark, Space };
enum class TSerialStopBits : uint8_t { One, OneAndHalf, Two };

struct TSerialFormat {
    int DataBits = 8;
    TSerialParity Parity = TSerialParity::None;
    TSerialStopBits StopBits = TSerialStopBits::One;
    bool operator==(const TSerialFormat&) const = default;
};

// Bits one character takes on the line: start, data, parity, stop (1.5 counts as 2).
int CharBits(const TSerialFormat& format);

// The format a LineFormat asks for, or nothing with the reason in *error when a code has no
// meaning or the format cannot be made here: one and a half stop bits is not available on
// Linux serial ports.
std::optional<TSerialFormat> DecodeLineFormat(int32_t lineFormat, std::string* error);

}  // namespace trelon
