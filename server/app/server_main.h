// Start-up and shutdown of the server process, shared by trelonsrv and test hosts.
#pragma once

#include <functional>

namespace trelon {

class TBusServer;

// Runs the server until it is told to quit (SIGTERM, SIGINT) or, when started by bus
// activation (--activated), until its last object is released. Returns the exit status.
int RunServer(int argc, char** argv, const std::function<void(TBusServer&)>& registerClasses);

}  // namespace trelon
