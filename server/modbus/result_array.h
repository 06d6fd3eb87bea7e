// The result array the master reports for every request:
// [kind (byte), QID (int32), address (byte), function (byte), value, result].
#pragma once

#include "mb_enums.h"
#include "modbus_request.h"
#include "variant.h"

namespace trelon {

// The result is a 32-bit integer, but an unsigned byte for mbcWrongType and mbcNoTransport
// (made without an exchange); with mbcNoTransport the value is null.
TVariant MakeResultArray(const TModbusRequest& request, const TVariant& value, MBResult result);

}  // namespace trelon
