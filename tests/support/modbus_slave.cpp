#include "modbus_slave.h"

#include <cerrno>

namespace trelon::test {

TModbusSlave::TModbusSlave(const std::string& path, int address, int baud)
    : ctx_(modbus_new_rtu(path.c_str(), baud, 'N', 8, 1)),
      map_(modbus_mapping_new(256, 256, 256, 256)) {
    modbus_set_slave(ctx_, address);
    // A pause in reading lets the thread look at stop_; libmodbus waits this long before
    // an exception answer, so keep it short.
    modbus_set_indication_timeout(ctx_, 0, 100'000);
    modbus_set_response_timeout(ctx_, 0, 1000);
    connected_ = modbus_connect(ctx_) == 0;
    thread_ = std::thread([this] { Serve(); });
}

TModbusSlave::~TModbusSlave() {
    stop_ = true;
    thread_.join();
    modbus_close(ctx_);
    modbus_mapping_free(map_);
    modbus_free(ctx_);
}

void TModbusSlave::Serve() {
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    while (!stop_ && connected_) {
        int n = modbus_receive(ctx_, query);
        if (n <= 0) {
            if (n < 0 && errno != ETIMEDOUT) modbus_flush(ctx_);
            continue;
        }
        ++requests_;
        if (silent_) continue;
        std::lock_guard lock(lock_);
        modbus_reply(ctx_, query, n, map_);
    }
}

}  // namespace trelon::test
