// Helpers for the Modbus protocol tests: request arrays, settings, frames with their
// checksums, and answers checked against a request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "answer_check.h"
#include "modbus_request.h"
#include "variant.h"

namespace trelon::test {

using TBytes = std::vector<uint8_t>;

// A one-dimensional array of automation values indexed from 0.
TVariant Arr(std::vector<TVariant> items);
TVariant Typed(TVarType type, int64_t v);  // an integer of the given type

TModbusSettings Settings(uint8_t address = 1, uint8_t mode = mbcRTU, bool adjustToWord = false,
                         bool optimalUseFunction = false);
TModbusRequest Request(std::vector<TVariant> array, const TModbusSettings& s = Settings());

// RTU: the bytes followed by their CRC, low byte first.
TBytes WithCrc(TBytes pdu);
// ASCII: ":", the bytes as upper-case hexadecimal, the LRC, CR, LF.
TBytes AsAscii(const TBytes& pdu);
TBytes Text(const std::string& s);

TBytes Frame(const TModbusRequest& request);

struct TChecked {
    MBResult Result;
    TVariant Value;
};
TChecked Check(const TModbusRequest& request, const TBytes& answer);

}  // namespace trelon::test
