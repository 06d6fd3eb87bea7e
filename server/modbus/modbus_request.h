// One client request as the master keeps it: read once from the request array
// [kind, QID, ...] and the master's settings, validated, and marked Invalid when it cannot
// be used (reported with mbcWrongType, nothing sent).
#pragma once

#include <cstdint>
#include <vector>

#include "mb_enums.h"
#include "modbus_settings.h"
#include "variant.h"

namespace trelon {

// Most data bytes one frame carries (the byte count is one byte).
inline constexpr int kMaxDataBytes = 255;

struct TModbusRequest {
    TRequestKind RequestKind = TRequestKind::Exchange;
    int32_t QID = 0;
    uint8_t DeviceAddress = 0;  // 0 is broadcast: no answer expected
    uint8_t Mode = mbcRTU;
    uint8_t Parity = mpNone;
    bool AdjustToWord = false;
    bool OptimalUseFunction = false;
    uint8_t Function = 0;
    int32_t StartAddress = 0;       // first register or bit, 0 to 65535
    int32_t Period = 0;             // ms; 0 = one-shot
    int32_t Count = 0;              // values, bits or archive records
    int32_t ItemSize = 0;           // bytes per value or record; bit kinds: data bytes
    int32_t OddByte = 0;            // data bytes do not fill whole registers (bit kinds: bytes)
    TVariant Value;                 // data to write; Exchange: its bytes as an array of bytes
    std::vector<uint8_t> DataType;  // one data type code, or the field codes of a record
    bool RecordType = false;        // the data type came as an array of codes
    int32_t Retries = 1;
    bool Invalid = false;
    uint16_t ArchNum = 0, ArchCount = 0, ArchIndex = 0;
    uint8_t Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    uint8_t TimeCheckLevel = 0;
    double TimeStamp = 0.0;  // requested time of ReadTimeArchMatched
    int32_t TimeCheckIndex = -1;
    uint16_t SubFunction = 0, SubData = 0;

    bool ExpectsAnswer() const { return DeviceAddress > 0; }
    bool IsBitKind() const;
    // Data bytes of the frame's byte count: bit kinds ItemSize, others
    // ItemSize x Count + OddByte.
    int64_t DataBytes() const;
    // Registers a register read or write covers.
    int64_t RegisterCount() const { return int64_t(ItemSize) * Count / 2 + OddByte; }
};

TModbusRequest ReadRequest(const TVariant& request, const TModbusSettings& settings);

}  // namespace trelon
