// The link settings of a serial transport as they come in a props array:
//   RS-232 (kind 0): [0, port name, speed code, flow control, answer timeout, min gap unit, *]
//   RS-485 (kind 1): [1, port name, speed code, answer timeout, min gap unit, *]
// (* accepted and not used), and the device path behind a port name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "variant.h"

namespace trelon {

struct TComProps {
    uint8_t Kind = 0;
    std::string PortName = "COM1";
    int SpeedCode = 4;
    bool HardwareFlow = false;  // RTS/CTS handshake; never on RS-485
    int32_t AnswerTimeout = 1000;
    int32_t MinGapUnit = 0;
};

// The settings of a props array of the given kind, or nothing with the reason in *error
// when the array is not one (wrong kind, missing elements, a speed code outside 0 to 7).
std::optional<TComProps> ParseComProps(const TVariant& props, uint8_t kind, std::string* error);

// The device behind a port name: "COMn" (any letter case) is /dev/ttyS(n-1); any other
// name is a path and stays as it is.
std::string PortDevicePath(const std::string& portName);

}  // namespace trelon
