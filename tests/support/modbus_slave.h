// An independent Modbus RTU slave (libmodbus) serving a serial device path on its own
// thread, for tests of the server against a real peer.
#pragma once

#include <modbus/modbus.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace trelon::test {

class TModbusSlave {
  public:
    // Opens the path at 8N1 (the server's default line format) and starts serving.
    TModbusSlave(const std::string& path, int address, int baud = 19200);
    ~TModbusSlave();

    // The slave's tables; hold Lock() while touching them from the test.
    modbus_mapping_t* Map() { return map_; }
    std::mutex& Lock() { return lock_; }
    // A silent slave reads requests and answers none.
    void Silent(bool silent) { silent_ = silent; }
    int Requests() const { return requests_; }
    bool Connected() const { return connected_; }

  private:
    void Serve();

    modbus_t* ctx_;
    modbus_mapping_t* map_;
    std::mutex lock_;
    std::atomic<bool> stop_{false}, silent_{false}, connected_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace trelon::test
