// A Modbus master's settings and one request array derived from fuzz bytes: every request
// kind, every data type code (and some that are not), single types and records, written
// values of every value type in one or two dimensions. Most fields stay within their
// ranges so that the requests are usable; the rest probe the checks of the request reader.
#pragma once

#include "fuzz_input.h"
#include "modbus_settings.h"
#include "variant.h"

namespace trelon::fuzz {

struct TFuzzRequest {
    TModbusSettings Settings;
    TVariant Array;  // [kind, QID, ...] as a client sends it
};

// Reads: kind, flags (mode, AdjustToWord, OptimalUseFunction), device address, then the
// fields of the kind.
TFuzzRequest MakeRequest(TFuzzInput& in);

}  // namespace trelon::fuzz
