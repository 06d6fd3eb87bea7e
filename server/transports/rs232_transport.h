// A serial transport on a point-to-point line (RS-232, or RS-422 through a converter),
// with or without the RTS/CTS handshake.
#pragma once

#include "transports/com_transport.h"

namespace trelon {

class TRS232Transport : public TComTransport {
  public:
    explicit TRS232Transport(const TComSettings& settings) : TComTransport(tkRS232, settings) {}

  protected:
    // For transports built on this one (the modem).
    TRS232Transport(uint8_t kind, const TComSettings& settings) : TComTransport(kind, settings) {}
};

}  // namespace trelon
