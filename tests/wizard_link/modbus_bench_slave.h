// Devices on a serial line answering the device-name request (function 17) with their
// names, as the rig's instruments do: one thread on the line's end plays every address it
// is given. libmodbus frames the answers; requests are read here, since a libmodbus RTU
// server answers one unit address only. Other requests get no answer.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace trelon::wizard::test {

class TModbusBenchSlave {
  public:
    // names: address -> name answer (UTF-8; sent in the single-byte Cyrillic code page).
    TModbusBenchSlave(const std::string& port, int baud, std::map<int, std::string> names);
    ~TModbusBenchSlave();
    bool Started() const { return started_; }
    int Answered() const { return answered_; }

  private:
    void Run(void* ctx);

    std::map<int, std::string> names_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    bool started_ = false;
    std::thread thread_;
};

}  // namespace trelon::wizard::test
