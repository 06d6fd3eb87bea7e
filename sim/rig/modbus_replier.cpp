#include "modbus_replier.h"

#include <fcntl.h>
#include <modbus.h>
#include <unistd.h>

#include <stdexcept>

namespace trelon::rig {

TModbusReplier::TModbusReplier() : context_(modbus_new_rtu("/dev/null", 9600, 'N', 8, 1)) {
    if (!context_ || ::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (context_) modbus_free(context_);
        throw std::runtime_error("cannot set up libmodbus for the rig's answers");
    }
    // Never opened as a port: its answers go into the pipe.
    modbus_set_socket(context_, pipe_[1]);
    modbus_set_response_timeout(context_, 0, 1000);
}

TModbusReplier::~TModbusReplier() {
    modbus_free(context_);
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

TBytes TModbusReplier::Reply(std::span<const std::uint8_t> request, _modbus_mapping_t* mapping) {
    modbus_reply(context_, request.data(), static_cast<int>(request.size()), mapping);
    TBytes answer;
    std::uint8_t buffer[MODBUS_RTU_MAX_ADU_LENGTH];
    ssize_t n;
    while ((n = ::read(pipe_[0], buffer, sizeof buffer)) > 0)
        answer.insert(answer.end(), buffer, buffer + n);
    return answer;
}

}  // namespace trelon::rig
