// A serial transport on a two-wire RS-485 bus whose transmitter is switched by RTS: RTS is
// dropped as soon as the port is opened, raised before a request and dropped TxHold ms after
// the request has left the port (and the transmitter is empty, where the driver tells).
#pragma once

#include "transports/rs232_transport.h"

namespace trelon {

class TRS485Transport : public TRS232Transport {
  public:
    explicit TRS485Transport(const TComSettings& settings);

    int32_t TxHold() const;

  protected:
    void TakeProps(const TComProps& props, bool portOpen) override;
    void PortOpened() override;
    bool SendRequest(TBaseTransportTask& task) override;

  private:
    int32_t txHold_ = 0;  // ms, under TasksLock()
};

}  // namespace trelon
