// trelonsrv: the communication server.
#include "core/model/server_factory.h"
#include "mbcommaster.h"
#include "modbus_master.h"
#include "server_main.h"
#include "transports/serial_transports.h"

int main(int argc, char** argv) {
    return trelon::RunServer(argc, argv,
                             [](trelon::TBusServer& bus, trelon::TServerFactory& factory,
                                const trelon::TServerSettings& settings) {
                                 trelon::RegisterSerialTransports(factory, {settings.Path});
                                 trelon::RegisterModbusMaster(factory);
                                 trelon::RegisterMBComMaster(bus);
                             });
}
