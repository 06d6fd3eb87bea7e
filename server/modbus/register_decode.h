// The values of a register or archive read: one value, an array of one data type, one
// record of mixed fields, or a table of records; and the time check of matched archives.
#pragma once

#include <cstdint>
#include <span>

#include "mb_enums.h"
#include "modbus_request.h"
#include "variant.h"

namespace trelon {

// Decodes data (the bytes after the byte count) by the request's data type and count.
// Decoding stops at the first value that fails; its result is returned.
MBResult DecodeRegisterData(const TModbusRequest& request, std::span<const uint8_t> data,
                            TVariant& value);

// Kind ReadTimeArchMatched: the record's field TimeCheckIndex, seconds since 1970, must
// fall in the requested time's hour (level 0), day (1), month (2) or second (other).
MBResult CheckRecordTime(const TModbusRequest& request, const TVariant& record);

}  // namespace trelon
