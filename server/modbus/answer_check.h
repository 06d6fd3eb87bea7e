// Checks a Modbus answer against its request and takes its value apart.
#pragma once

#include <cstdint>
#include <span>

#include "mb_enums.h"
#include "modbus_request.h"
#include "variant.h"

namespace trelon {

// The result of an exchange whose raw answer is given (empty when nothing came), and its
// value (empty unless the result is mbcOK). Never raises and never reads beyond the answer.
// A broadcast request (address 0) gives mbcOK at once.
MBResult CheckAnswer(const TModbusRequest& request, std::span<const uint8_t> answer,
                     TVariant& value);

}  // namespace trelon
