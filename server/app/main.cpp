// trelonsrv: the communication server.
#include "mbcommaster.h"
#include "server_main.h"

int main(int argc, char** argv) {
    return trelon::RunServer(
        argc, argv,
        [](trelon::TBusServer& bus, trelon::TServerFactory&, const trelon::TServerSettings&) {
            trelon::RegisterMBComMaster(bus);
        });
}
