#include "modbus_settings.h"

#include <limits>

#include "array_reader.h"

namespace trelon {

std::optional<TModbusSettings> ReadSettings(const TVariant& props) {
    constexpr int64_t kModbusMasterKind = 0;
    try {
        TArrayReader a(props);
        Require(a.Int(0, kModbusMasterKind, kModbusMasterKind) == kModbusMasterKind);
        TModbusSettings s;
        s.DefaultAddress = a.Byte(1);
        s.Mode = uint8_t(a.Int(2, mbcRTU, mbcASCII));
        s.Parity = uint8_t(a.Int(3, mpNone, mpEven));
        s.Retries = int32_t(
            a.Int(4, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
        s.AdjustToWord = a.Bool(5);
        s.OptimalUseFunction = a.Bool(6);
        return s;
    } catch (const EUnusableArray&) {
        return std::nullopt;
    }
}

}  // namespace trelon
