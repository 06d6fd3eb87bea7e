// Modbus RTU as a slave sees it, free of I/O: the CRC, the length of a request from its
// first bytes, a request taken apart, and the answers the rig's devices build themselves
// (exceptions and the name answer of function 17).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace trelon::rig {

using TBytes = std::vector<std::uint8_t>;

// Modbus CRC-16 (reflected polynomial 0xA001, initial 0xFFFF).
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);
// Appends the CRC of everything before it, low byte first.
void AppendCrc(TBytes& frame);
// True when the last two bytes are the CRC of the others.
bool CrcMatches(std::span<const std::uint8_t> frame);

// Length of the whole request frame (address to CRC) once enough of it is there to tell;
// empty while more bytes are needed or when the function has no fixed layout.
std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> head);

enum class TArea { Coils, DiscreteInputs, Holding, Input };

// Exception codes a device answers with.
enum class TException : std::uint8_t {
    None = 0,
    IllegalFunction = 1,
    IllegalAddress = 2,
    IllegalValue = 3,
    DeviceFailure = 4,
};

struct TRequest {
    std::uint8_t Address = 0;
    std::uint8_t Function = 0;
    std::uint16_t Start = 0;  // first register or bit
    std::uint16_t Count = 0;  // registers or bits
    // Written registers (functions 6, 16) or bits as 0/1 (functions 5, 15).
    std::vector<std::uint16_t> Values;
    bool IsWrite() const {
        return Function == 5 || Function == 6 || Function == 15 || Function == 16;
    }
    std::optional<TArea> Area() const;
};

// Takes a whole frame with a correct CRC apart. A request of a function the rig does not
// know, or whose fields do not fit together, gives the exception to answer with.
struct TParsed {
    TRequest Request;
    TException Error = TException::None;
};
TParsed ParseRequest(std::span<const std::uint8_t> frame);

TBytes ExceptionAnswer(std::uint8_t address, std::uint8_t function, TException code);
// Function 17: the byte count, then the text bytes as they are.
TBytes NameAnswer(std::uint8_t address, std::string_view text);

}  // namespace trelon::rig
