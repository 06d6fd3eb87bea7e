#include "transports/serial_transports.h"

#include "transports/rs232_transport.h"
#include "transports/rs485_transport.h"

namespace trelon {

void RegisterSerialTransports(TServerFactory& factory, const TComSettings& settings) {
    factory.RegisterTransportKind(
        tkRS232, [settings] { return std::make_shared<TRS232Transport>(settings); });
    factory.RegisterTransportKind(
        tkRS485, [settings] { return std::make_shared<TRS485Transport>(settings); });
}

}  // namespace trelon
