// The settings of a Modbus master, taken from its props array:
// [0 (master kind), default address, mode, parity, retries, AdjustToWord, OptimalUseFunction].
#pragma once

#include <cstdint>
#include <optional>

#include "mb_enums.h"
#include "variant.h"

namespace trelon {

struct TModbusSettings {
    uint8_t DefaultAddress = 1;  // for every request kind but Exchange
    uint8_t Mode = mbcRTU;
    uint8_t Parity = mpNone;  // TMasterParity
    int32_t Retries = 1;      // attempts per request cycle; 0 and 1 both mean one
    bool AdjustToWord = false;
    bool OptimalUseFunction = false;
};

// Nothing when the array is not a Modbus master's props array or holds a field outside
// its range (address 0 to 255, mode 0 or 1, parity 0 to 2): the master keeps what it had.
std::optional<TModbusSettings> ReadSettings(const TVariant& props);

}  // namespace trelon
