// Start-up and shutdown of the server process, shared by trelonsrv and test hosts.
#pragma once

#include <functional>

#include "server_settings.h"

namespace trelon {

class TBusServer;
class TServerFactory;

// Registers the automation classes and the transport and master kinds.
using TRegistration = std::function<void(TBusServer&, TServerFactory&, const TServerSettings&)>;

// Runs the server until it is told to quit (SIGTERM, SIGINT) or, when started by bus
// activation (--activated), until its last object is released. Start-up: log keeper,
// settings, factory, bus; shutdown in reverse: objects, masters, transports, factory, log.
// Returns the exit status.
int RunServer(int argc, char** argv, const TRegistration& registerAll);

}  // namespace trelon
