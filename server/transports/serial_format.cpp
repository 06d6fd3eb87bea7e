#include "transports/serial_format.h"

namespace trelon {

int CharBits(const TSerialFormat& format) {
    return 1 + format.DataBits + (format.Parity == TSerialParity::None ? 0 : 1) +
           (format.StopBits == TSerialStopBits::One ? 1 : 2);
}

std::optional<TSerialFormat> DecodeLineFormat(int32_t lineFormat, std::string* error) {
    auto fail = [&](std::string reason) -> std::optional<TSerialFormat> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    int parity = (lineFormat >> 2) & 7;
    int stop = (lineFormat >> 5) & 3;
    if (parity > 4) return fail("код чётности " + std::to_string(parity) + " вне диапазона 0-4");
    if (stop == 1) return fail("полтора стоповых бита недоступны на этой системе");
    if (stop > 2) return fail("код стоповых бит " + std::to_string(stop) + " вне диапазона 0-2");
    TSerialFormat f;
    f.DataBits = 5 + (lineFormat & 3);
    f.Parity = TSerialParity(parity);
    f.StopBits = TSerialStopBits(stop);
    return f;
}

}  // namespace trelon
