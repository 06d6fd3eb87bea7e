#include "transports/rs485_transport.h"

#include "core/waiter.h"
#include "transports/speed_codes.h"

namespace trelon {

TRS485Transport::TRS485Transport(const TComSettings& settings)
    : TRS232Transport(tkRS485, settings) {}

int32_t TRS485Transport::TxHold() const {
    std::lock_guard lock(TasksLock());
    return txHold_;
}

void TRS485Transport::TakeProps(const TComProps& props, bool portOpen) {
    // The bus transmitter is never under a handshake; the hold follows the speed the port
    // is opened with.
    if (!portOpen) txHold_ = FrameGapTime(props.SpeedCode);
}

void TRS485Transport::PortOpened() {
    // The system raises RTS when it opens a port: that would hold the bus.
    SetRts(false);
}

bool TRS485Transport::SendRequest(TBaseTransportTask& task) {
    int32_t hold = TxHold();
    SetRts(true);
    bool ok = TRS232Transport::SendRequest(task);
    if (Port().IsOpen()) TWaiter().Wait(hold);
    SetRts(false);
    return ok;
}

}  // namespace trelon
