// Makes the serial transports known to the factory: kind 0 RS-232, kind 1 RS-485.
#pragma once

#include "core/model/server_factory.h"
#include "transports/com_settings.h"

namespace trelon {

void RegisterSerialTransports(TServerFactory& factory, const TComSettings& settings);

}  // namespace trelon
