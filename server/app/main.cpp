// trelonsrv: the communication server.
#include "core/model/server_factory.h"
#include "mbcommaster.h"
#include "modbus_master.h"
#include "server_main.h"

int main(int argc, char** argv) {
    return trelon::RunServer(
        argc, argv,
        [](trelon::TBusServer& bus, trelon::TServerFactory& factory,
           const trelon::TServerSettings&) {
            trelon::RegisterModbusMaster(factory);
            trelon::RegisterMBComMaster(bus);
        });
}
