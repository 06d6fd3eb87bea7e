#include "core/model/transport_task.h"

#include <atomic>

namespace trelon {

namespace {
std::atomic<int64_t> gLiveTasks{0};
}

std::string TransportDisplayName(int kind) {
    switch (kind) {
        case tkRS232:
            return "RS232";
        case tkRS485:
            return "RS485";
        case tkModem:
            return "Модемное соединение";
        case tkTrivialFTP:
            return "TrivialFTP";
        default:
            return "?";
    }
}

TBaseTransportTask::TBaseTransportTask() {
    gLiveTasks.fetch_add(1);
}
TBaseTransportTask::~TBaseTransportTask() {
    gLiveTasks.fetch_sub(1);
}

int64_t LiveTransportTasks() {
    return gLiveTasks.load();
}

}  // namespace trelon
