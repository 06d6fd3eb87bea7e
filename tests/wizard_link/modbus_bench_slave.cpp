#include "modbus_bench_slave.h"

#include <modbus.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "codepage.h"

namespace trelon::wizard::test {

namespace {

constexpr uint8_t kReportSlaveId = 0x11;
constexpr int kRequestSize = 4;  // address, function, CRC
constexpr int kPollMs = 50;

uint16_t Crc16(const uint8_t* data, int size) {
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

// One request of four bytes, or false when the line stays silent for a poll period.
bool ReadRequest(int fd, uint8_t (&frame)[kRequestSize]) {
    int have = 0;
    while (have < kRequestSize) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) return false;
        const ssize_t n = read(fd, frame + have, size_t(kRequestSize - have));
        if (n <= 0) return false;
        have += int(n);
    }
    return true;
}

}  // namespace

TModbusBenchSlave::TModbusBenchSlave(const std::string& port, int baud,
                                     std::map<int, std::string> names)
    : names_(std::move(names)) {
    modbus_t* ctx = modbus_new_rtu(port.c_str(), baud, 'N', 8, 1);
    if (!ctx) return;
    if (modbus_connect(ctx) != 0) {
        modbus_free(ctx);
        return;
    }
    started_ = true;
    thread_ = std::thread([this, ctx] { Run(ctx); });
}

TModbusBenchSlave::~TModbusBenchSlave() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void TModbusBenchSlave::Run(void* context) {
    auto* ctx = static_cast<modbus_t*>(context);
    const int fd = modbus_get_socket(ctx);
    uint8_t frame[kRequestSize];
    while (!stop_) {
        if (!ReadRequest(fd, frame)) continue;
        const uint16_t crc = uint16_t(frame[2] | (frame[3] << 8));
        auto device = names_.find(frame[0]);
        if (crc != Crc16(frame, 2) || frame[1] != kReportSlaveId || device == names_.end()) {
            tcflush(fd, TCIFLUSH);  // out of step or not ours: start afresh
            continue;
        }
        modbus_set_slave(ctx, frame[0]);
        const std::string name = Utf8ToCp1251(device->second);
        std::vector<uint8_t> answer = {frame[0], kReportSlaveId, uint8_t(name.size())};
        answer.insert(answer.end(), name.begin(), name.end());
        if (modbus_send_raw_request(ctx, answer.data(), int(answer.size())) > 0) ++answered_;
    }
    modbus_close(ctx);
    modbus_free(ctx);
}

}  // namespace trelon::wizard::test
