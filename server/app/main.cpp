// trelonsrv: the communication server.
#include "server_main.h"

int main(int argc, char** argv) {
    return trelon::RunServer(argc, argv, [](trelon::TBusServer&) {
        // Classes are registered here as they are built.
    });
}
